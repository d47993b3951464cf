#include "settings/FieldTexts.h"

#include "schema/Configuration.h"
#include "schema/FieldNames.h"

MapFieldTexts::MapFieldTexts(const Configuration& config) {
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mTexts.insert(FieldControlName(item.id), QString());
        }
    }
}

std::optional<QString> MapFieldTexts::FieldText(const QString& fieldName) const {
    const auto it = mTexts.constFind(fieldName);
    if (it == mTexts.cend()) {
        return std::nullopt;
    }
    return *it;
}

bool MapFieldTexts::SetFieldText(const QString& fieldName, const QString& text) {
    const auto it = mTexts.find(fieldName);
    if (it == mTexts.end()) {
        return false;
    }
    *it = text;
    return true;
}
