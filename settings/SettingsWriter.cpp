#include "settings/SettingsWriter.h"

#include "platform/XmlFile.h"
#include "platform/XmlText.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsDocument.h"
#include "settings/TemplateExport.h"

namespace {

// Loads the document that receives the values. A missing file gives an empty document; any other
// failure is returned, so that a file we could not read is never replaced by a bare root.
Status LoadSource(FileSystem& files, const QString& sourcePath, SettingsDocument* settings) {
    Status loaded = settings->Load(files, sourcePath);
    if (loaded.IsNotFound()) {
        *settings = SettingsDocument();
        return Status::Ok();
    }
    if (!loaded.ok()) {
        return Status::Error(
            QStringLiteral("The settings were not saved, because the existing file could not be "
                           "read:\n%1")
                .arg(loaded.message()));
    }
    return loaded;
}

Status EnsureRoot(SettingsDocument* settings, const QString& sourcePath) {
    XmlDocument& document = settings->Document();
    if (document.IsEmpty()) {
        document.CreateRoot(QStringLiteral("xml"));
        return Status::Ok();
    }
    const QString rootName = document.Root().Name();
    if (rootName != u"xml") {
        return Status::Error(QStringLiteral("%1: the root element is <%2>, but must be <xml>")
                                 .arg(sourcePath, rootName));
    }
    return Status::Ok();
}

// Gives every entry that a save fills the text of its field.
Status PlaceValues(const Configuration& config, const FieldTexts& fields,
                   SettingsDocument* settings) {
    QStringList ids;
    if (Status s = settings->SavedIds(config, &ids); !s.ok()) {
        return s;
    }
    for (const QString& id : ids) {
        const QString fieldName = FieldControlName(id);
        const std::optional<QString> text = fields.FieldText(fieldName);
        if (!text) {
            continue;
        }
        if (const auto bad = FirstCharacterXmlCannotStore(*text)) {
            return Status::Error(
                QStringLiteral("The value of \"%1\" holds the character %2, which a settings file "
                               "cannot store. Nothing was saved.")
                    .arg(config.LabelOfField(fieldName), CharacterName(*bad)));
        }
        if (Status s = settings->SetValueOf(id, *text); !s.ok()) {
            return s;
        }
    }
    return Status::Ok();
}

// Starts a before or after command, if the configuration has one.
Status StartCommand(ProcessLauncher& processes, const std::optional<QString>& commandLine,
                    const QString& what) {
    if (!commandLine) {
        return Status::Ok();
    }
    Status started = processes.StartDetached(*commandLine);
    return started.ok() ? started : Status::Error(what + u'\n' + started.message());
}

}  // namespace

SaveResult WriteSettingsFile(const Configuration& config, const FieldTexts& fields,
                             const QString& sourcePath, const QString& targetPath,
                             SaveServices services) {
    SaveResult result;
    SettingsDocument settings;
    Status& saved = result.saved;
    saved = LoadSource(services.files, sourcePath, &settings);
    if (saved.ok())
        saved = EnsureRoot(&settings, sourcePath);
    if (saved.ok())
        saved = PlaceValues(config, fields, &settings);
    if (saved.ok()) {
        saved = StartCommand(services.processes, config.BeforeCommand(),
                             QStringLiteral("The before command could not be started, so nothing "
                                            "was saved."));
    }
    if (saved.ok()) {
        saved = SaveXmlFile(services.files, settings.Document(), targetPath);
        if (!saved.ok()) {
            saved = Status::Error(QStringLiteral("The settings could not be saved.\n") +
                                  saved.message());
        }
    }
    if (!saved.ok()) {
        return result;
    }
    // The after command starts once the file is on disk, so that it reads the new values.
    if (Status after = StartCommand(services.processes, config.AfterCommand(),
                                    QStringLiteral("The after command could not be started."));
        !after.ok()) {
        result.problems.append(after.message());
    }
    return result;
}

SaveResult SaveAndExport(const Configuration& config, const FieldTexts& fields,
                         const QString& sourcePath, const QString& targetPath,
                         const QString& baseDir, SaveServices services) {
    SaveResult result = WriteSettingsFile(config, fields, sourcePath, targetPath, services);
    if (result.saved.ok()) {
        result.problems += ExportTemplateFiles(config, targetPath, baseDir, services.files);
    }
    return result;
}
