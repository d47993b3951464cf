#include "settings/SettingsWriter.h"

#include "platform/XmlDocument.h"
#include "platform/XmlText.h"
#include "schema/Configuration.h"
#include "settings/TemplateExport.h"
#include "settings/VariableValues.h"

#include <QCoreApplication>
#include <QSet>

#include <new>

namespace {

Status NotSaved(const Status& reason) {
    return Status::Error(
        QCoreApplication::translate("SettingsWriter", "The settings could not be saved.\n%1")
            .arg(reason.message()));
}

Status EnsureRoot(SettingsDocument* settings) {
    XmlDocument& document = settings->Document();
    if (document.IsEmpty()) {
        document.CreateRoot(QStringLiteral("xml"));
        return Status::Ok();
    }
    const QString rootName = document.Root().Name();
    if (rootName != u"xml") {
        return Status::Error(
            QCoreApplication::translate("SettingsWriter",
                                        "%1: the root element is <%2>, but must be <xml>")
                .arg(settings->Path(), rootName));
    }
    return Status::Ok();
}

// Gives every element that a save fills the value of the item its id addresses: first the root's
// entries in document order, then the items of the configuration that have none there, in its
// order, each written into its nested element or added when its value is not empty.
Status PlaceValues(const Configuration& config, const VariableValues& values,
                   SettingsDocument* settings) {
    QStringList ids;
    if (Status s = settings->SavedIds(config, &ids); !s.ok()) {
        return s;
    }
    const QSet<QString> atRoot(ids.cbegin(), ids.cend());
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (!atRoot.contains(item.id)) {
                ids.append(item.id);
            }
        }
    }
    for (const QString& id : ids) {
        const ConfigItem* item = config.ItemFor(id);
        const QString* text = item ? values.Find(item->id) : nullptr;
        const bool exists = settings->HasElementOf(id);
        if (text == nullptr || (!exists && text->isEmpty())) {
            continue;
        }
        if (const auto bad = FirstCharacterXmlCannotStore(*text)) {
            return Status::Error(
                QCoreApplication::translate(
                    "SettingsWriter",
                    "The value of \"%1\" holds the character %2, which a settings file "
                    "cannot store. Nothing was saved.")
                    .arg(item->label, CharacterName(*bad)));
        }
        if (Status s = exists ? settings->SetValueOf(id, *text) : settings->AddVariable(id, *text);
            !s.ok()) {
            return s;
        }
    }
    return Status::Ok();
}

// A file that a load would refuse must not replace one that loads: every later run would fail.
Status CheckSize(const Configuration& config, const SettingsDocument& settings,
                 const QByteArray& bytes, const QString& targetPath) {
    if (bytes.size() <= kMaxXmlFileBytes) {
        return Status::Ok();
    }
    const QString id = settings.IdOfLargestValue();
    const ConfigItem* item = config.ItemFor(id);
    const QString label = item ? item->label : QString();
    return Status::Error(
        QCoreApplication::translate(
            "SettingsWriter",
            "The settings were not saved: %1 would be %2 bytes long, more than the %3 "
            "bytes a settings file may have to be loaded again. The largest value is "
            "that of %4.")
            .arg(targetPath)
            .arg(bytes.size())
            .arg(kMaxXmlFileBytes)
            .arg(label.isEmpty() ? id : QStringLiteral("\"%1\" (%2)").arg(label, id)));
}

// The ids among `values` that no item of the configuration declares: a value nobody edits,
// often left behind by a renamed variable.
QStringList UndeclaredVariables(const Configuration& config,
                                const std::vector<VariableValue>& values,
                                const QString& targetPath) {
    QSet<QString> known;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            known.insert(item.id);
        }
    }
    QStringList warnings;
    for (const VariableValue& value : values) {
        if (!known.contains(value.id)) {
            known.insert(value.id);
            warnings.append(QCoreApplication::translate(
                                "SettingsWriter",
                                "%1: %2 has a value, but no item of the configuration declares it")
                                .arg(targetPath, value.id));
        }
    }
    return warnings;
}

// Starts a before or after command, if the configuration has one, or runs it to its end when its
// element says wait="true". `notStarted` or `failed` heads the message of a failure.
Status RunCommand(ProcessLauncher& processes, const std::optional<QString>& commandLine,
                  const std::optional<CommandWait>& wait, const QString& notStarted,
                  const QString& failed) {
    if (!commandLine) {
        return Status::Ok();
    }
    if (wait) {
        const Status ran = processes.RunAndWait(*commandLine, wait->timeout, {});
        return ran.ok() ? ran : Status::Error(failed + u'\n' + ran.message());
    }
    Status started = processes.StartDetached(*commandLine);
    return started.ok() ? started : Status::Error(notStarted + u'\n' + started.message());
}

// The export's substitutions for a run that gives values of its own: those that a save of
// `runValues` into the document of `bytes` would leave, worked out on a copy, so that the settings
// file keeps the values it stores.
Status ExportedRunValues(const Configuration& config, const VariableValues& runValues,
                         const QByteArray& bytes, const QString& targetPath,
                         std::vector<VariableValue>* exported) {
    SettingsDocument copy;
    Status s = copy.Parse(bytes, targetPath);
    if (s.ok())
        s = PlaceValues(config, runValues, &copy);
    if (s.ok())
        s = copy.ExportedValues(exported);
    return s;
}

}  // namespace

Status PrepareSave(FileSystem& files, const QString& sourcePath, const QString& targetPath,
                   const LockWait& wait, std::unique_ptr<UpdateLock>* lock,
                   SettingsDocument* settings) {
    if (Status locked = files.LockForUpdate(targetPath, wait, lock); !locked.ok()) {
        return NotSaved(locked);
    }
    return LoadForSave(files, sourcePath, settings);
}

Status LoadForSave(FileSystem& files, const QString& sourcePath, SettingsDocument* settings) {
    const Status loaded = settings->Load(files, sourcePath);
    if (loaded.ok() || loaded.IsNotFound()) {
        return Status::Ok();
    }
    return Status::Error(QCoreApplication::translate(
                             "SettingsWriter",
                             "The settings were not saved, because the existing file could not be "
                             "read:\n%1")
                             .arg(loaded.message()));
}

SaveResult SaveAndExport(const Configuration& config, const VariableValues& values,
                         SettingsDocument& settings, const QString& targetPath,
                         const QString& baseDir, SaveServices services,
                         const VariableValues* runValues) {
    SaveResult result;
    Status& saved = result.saved;
    QByteArray bytes;
    std::vector<VariableValue> exported;
    try {
        saved = EnsureRoot(&settings);
        if (saved.ok())
            saved = PlaceValues(config, values, &settings);
        if (saved.ok()) {
            saved = settings.Contents(&bytes);
            saved = saved.ok() ? saved : NotSaved(saved.Prefixed(targetPath));
        }
        if (saved.ok())
            saved = CheckSize(config, settings, bytes, targetPath);
        if (saved.ok()) {
            saved = runValues ? ExportedRunValues(config, *runValues, bytes, targetPath, &exported)
                              : settings.ExportedValues(&exported);
        }
        if (saved.ok()) {
            saved = RunCommand(
                services.processes, config.BeforeCommand(), config.BeforeWait(),
                QCoreApplication::translate(
                    "SettingsWriter",
                    "The before command could not be started, so nothing was saved."),
                QCoreApplication::translate("SettingsWriter",
                                            "The before command did not succeed, so nothing was "
                                            "saved."));
        }
        if (saved.ok()) {
            const NewFileAccess access = PasswordValues(config, exported).empty()
                                             ? NewFileAccess::Default
                                             : NewFileAccess::OwnerOnly;
            saved = services.files.WriteFile(targetPath, bytes, access);
            saved = saved.ok() ? saved : NotSaved(saved);
        }
    } catch (const std::bad_alloc&) {
        saved = NotSaved(Status::OutOfMemory(targetPath));
    }
    if (!saved.ok()) {
        return result;
    }
    result.version.exists = true;
    result.version.bytes = bytes;
    services.files.Identify(targetPath, &result.version.identity);
    result.warnings = UndeclaredVariables(config, exported, targetPath);
    result.problems = ExportTemplateFiles(config, exported, targetPath, baseDir, services.files,
                                          &result.warnings);
    // The after command starts once everything is written: it exists to act on the new files.
    if (Status after = RunCommand(
            services.processes, config.AfterCommand(), config.AfterWait(),
            QCoreApplication::translate("SettingsWriter",
                                        "The after command could not be started."),
            QCoreApplication::translate("SettingsWriter", "The after command did not succeed."));
        !after.ok()) {
        result.problems.append(after.message());
    }
    return result;
}

SaveResult SaveAndExport(const Configuration& config, const VariableValues& values,
                         const QString& sourcePath, const QString& targetPath,
                         const QString& baseDir, SaveServices services) {
    std::unique_ptr<UpdateLock> lock;
    SettingsDocument settings;
    SaveResult result;
    result.saved =
        PrepareSave(services.files, sourcePath, targetPath, LockWait(), &lock, &settings);
    return result.saved.ok()
               ? SaveAndExport(config, values, settings, targetPath, baseDir, services)
               : result;
}
