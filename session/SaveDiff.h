#pragma once

#include "platform/FileSystem.h"
#include "platform/SecretSet.h"
#include "settings/SecretRanges.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Configuration;

// The largest version of a file that a diff shows: it holds both versions of one file at a time.
constexpr qint64 kMaxDiffBytes = qint64(1) << 30;

// Tells, file by file, how a save that writes nothing would change what is on the disk: the diff
// that /diff prints, with the value of every password, old and new, hidden by its place, and
// every line that still holds a secret after that held back whole, or why a change cannot be
// shown.
class SaveDiff {
  public:
    using Report = std::function<void(const QByteArray& bytes)>;
    // `files` gives the old bytes of each file (what a dry run still sees there); the diff goes
    // to `report`. The save writes the settings file to `settingsPath`: the passwords of both its
    // versions are found in their XML (PasswordValueRanges, with `config`). Every other file is
    // an output, whose passwords the export tells through OutputMade (OutputDiffMask).
    // `config` must outlive the diff. The paths start with `baseDir`, the configuration's folder;
    // where it is absolute, so are the names in the diff, which `patch -p1 -d /` applies. Each
    // line shown passes `secrets` (WriteFileDiff).
    SaveDiff(FileSystem& files, const Configuration& config, QString settingsPath, QString baseDir,
             SecretSet secrets, Report report)
        : mFiles(files),
          mConfig(config),
          mSettingsPath(std::move(settingsPath)),
          mBaseDir(std::move(baseDir)),
          mSecrets(std::move(secrets)),
          mReport(std::move(report)) {}

    // As TemplateExport::SecretsReport: where the output that the export has just made for
    // `path` holds the values of passwords.
    void OutputMade(const QString& path, const std::vector<ByteRange>& secrets) {
        mOutputSecrets.insert(path, secrets);
    }

    // Reports the diff of the write of `after` to `path`, as DryRunFileSystem::ChangeHandler;
    // `after` is null when the new file was too large to keep. When `patch -p1` could not make
    // the new file from a diff (a symlink, a name outside the configuration's folder, which patch
    // skips or takes for another, an old version that cannot be read, either version too large),
    // or the passwords in it cannot be hidden, notes why in Unshown() instead.
    void Changed(const QString& path, const QByteArray* after);

    const QStringList& Unshown() const { return mUnshown; }
    // True once a password was hidden.
    bool Masked() const { return mMasked; }

  private:
    FileSystem& mFiles;
    const Configuration& mConfig;
    QString mSettingsPath;
    QString mBaseDir;
    SecretSet mSecrets;
    Report mReport;
    QHash<QString, std::vector<ByteRange>> mOutputSecrets;
    QStringList mUnshown;
    bool mMasked = false;
};
