#include "run/SavePreview.h"

#include "run/DryRunFileSystem.h"
#include "run/LineDiff.h"
#include "run/SecretMask.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsLoader.h"
#include "settings/VariableValues.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <new>

namespace {

// The largest version of a file that a diff shows: it holds both versions of one file at a time.
constexpr qint64 kMaxDiffBytes = qint64(1) << 30;

// Starts nothing: a save that writes nothing has nothing for a command to act on.
class NoCommands final : public ProcessLauncher {
  public:
    Status StartDetached(const QString&) override { return Status::Ok(); }
    Status RunAndWait(const QString&, std::chrono::seconds, const std::function<bool()>&) override {
        return Status::Ok();
    }
};

// Hands what it is given to the report as it comes, with every password masked.
class ReportSink final : public ByteSink {
  public:
    ReportSink(RunOutput& output, const QList<QByteArray>& secrets)
        : mMask(secrets, [&output](const QByteArray& bytes) { output.Report(bytes); }) {}
    bool Append(const char* data, std::size_t size) override {
        mMask.Append(data, qsizetype(size));
        return true;
    }
    bool Restart() override { return false; }  // what was reported stays
    bool Masked() {
        mMask.Flush();
        return mMask.Masked();
    }

  private:
    SecretMask mMask;
};

// The paths that a save may read or write again after writing them: every template (the output
// of an earlier entry may be one), and every output that more than one entry names.
QSet<QString> PathsUsedAgain(const Configuration& config, const QString& baseDir) {
    QSet<QString> again;
    QSet<QString> outputs;
    for (const TemplateEntry& entry : config.Templates()) {
        again.insert(baseDir + entry.input);
        if (outputs.contains(baseDir + entry.output)) {
            again.insert(baseDir + entry.output);
        }
        outputs.insert(baseDir + entry.output);
    }
    return again;
}

// Reports the diff of the write of `after` to `path`, as DryRunFileSystem::ChangeHandler, or,
// when patch could not make the new file from it, adds to `unshown` why not.
void ReportDiff(FileSystem& files, const QString& path, const QByteArray* after, RunOutput& output,
                const QList<QByteArray>& secrets, QStringList* unshown, bool* masked) {
    const auto cannot = [&](const QString& why) {
        unshown->append(QCoreApplication::translate(
                            "SavePreview", "%1 would change, but /diff cannot show how: %2")
                            .arg(path, why));
    };
    if (after == nullptr) {
        cannot(
            QCoreApplication::translate("SavePreview", "the new file would be larger than %1 bytes")
                .arg(kMaxDiffBytes));
        return;
    }
    // Patch refuses to write through a symlink; the save follows it.
    if (QFileInfo(path).isSymLink()) {
        cannot(QCoreApplication::translate("SavePreview",
                                           "it is a symbolic link, which patch does not follow"));
        return;
    }
    try {
        QByteArray before;
        const Status read = files.ReadFile(path, kMaxDiffBytes, &before);
        if (!read.ok() && !read.IsNotFound()) {
            cannot(read.message());
            return;
        }
        ReportSink report(output, secrets);
        WriteFileDiff(QFile::encodeName(path), read.ok() ? &before : nullptr, *after, report);
        if (report.Masked()) {
            *masked = true;
        }
    } catch (const std::bad_alloc&) {
        cannot(QCoreApplication::translate("SavePreview", "there is not enough memory"));
    }
}

}  // namespace

SavePreview PreviewSave(const Configuration& config, const VariableValues& values,
                        SettingsDocument& settings, const QString& settingsFile,
                        const QString& baseDir, FileSystem& files, RunOutput* diff,
                        const VariableValues* runValues) {
    SavePreview preview;
    DryRunFileSystem dryRun(files, PathsUsedAgain(config, baseDir));
    if (diff != nullptr) {
        // The passwords the settings file holds now go too: a diff that changes one shows the
        // old value on its removed line.
        VariableValues stored(config);
        PutSettingsInto(settings, config, &stored);
        QList<QByteArray> secrets = SecretForms(config, values) + SecretForms(config, stored);
        if (runValues != nullptr) {
            secrets += SecretForms(config, *runValues);
        }
        dryRun.ShowChanges(
            kMaxDiffBytes, [&, diff, secrets](const QString& path, const QByteArray* after) {
                ReportDiff(dryRun, path, after, *diff, secrets, &preview.unshown, &preview.masked);
            });
    }
    NoCommands none;
    preview.result =
        SaveAndExport(config, values, settings, settingsFile, baseDir, {dryRun, none}, runValues);
    preview.changed = dryRun.ChangedFiles();
    return preview;
}

SavePreview PreviewSave(const Configuration& config, const VariableValues& values,
                        const QString& settingsFile, const QString& baseDir, FileSystem& files,
                        RunOutput* diff) {
    SettingsDocument settings;
    if (Status loaded = LoadForSave(files, settingsFile, &settings); !loaded.ok()) {
        SavePreview refused;
        refused.result.saved = loaded;
        return refused;
    }
    return PreviewSave(config, values, settings, settingsFile, baseDir, files, diff);
}
