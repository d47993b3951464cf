#include "settings/SettingsLoader.h"

#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"

Status ReadSettingsInto(FileSystem& fileSystem, const QString& path, const Configuration& config,
                        FieldTexts& fields) {
    SettingsDocument settings;
    if (Status loaded = settings.Load(fileSystem, path); !loaded.ok()) {
        return loaded;
    }
    for (const XmlNode& variable : settings.VariablesWithId()) {
        const QString id = variable.Attribute(QStringLiteral("id")).value_or(QString());
        if (config.DeclaresId(id)) {
            fields.SetFieldText(FieldControlName(id), settings.FirstWithId(id).Text());
        }
    }
    return Status::Ok();
}
