#include "gui/MakeTextbox.h"

#include "gui/BooleanField.h"
#include "gui/ChoiceField.h"
#include "gui/NumberField.h"
#include "gui/PasswordField.h"
#include "gui/PathField.h"
#include "gui/TextField.h"
#include "schema/Configuration.h"

std::unique_ptr<clsTextbox> MakeTextbox(const ConfigItem& item, Dialogs& dialogs) {
    switch (item.rules.kind) {
        case ValueKind::Password:
            return std::make_unique<PasswordField>(item);
        case ValueKind::Boolean:
            return std::make_unique<BooleanField>(item);
        case ValueKind::Choice:
            return std::make_unique<ChoiceField>(item);
        case ValueKind::File:
        case ValueKind::Folder:
            return std::make_unique<PathField>(item, dialogs);
        case ValueKind::Number:
            return std::make_unique<NumberField>(item);
        case ValueKind::Text:
            break;
    }
    return std::make_unique<TextField>(item);
}
