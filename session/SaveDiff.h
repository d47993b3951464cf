#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The largest version of a file that a diff shows: it holds both versions of one file at a time.
constexpr qint64 kMaxDiffBytes = qint64(1) << 30;

// Tells, file by file, how a save that writes nothing would change what is on the disk: the diff
// that /diff prints, with every password masked (SecretMask), or why a change cannot be shown.
class SaveDiff {
  public:
    using Report = std::function<void(const QByteArray& bytes)>;
    // `files` gives the old bytes of each file (what a dry run still sees there); the diff goes
    // to `report`, with each of `secrets` masked.
    SaveDiff(FileSystem& files, QList<QByteArray> secrets, Report report)
        : mFiles(files), mSecrets(std::move(secrets)), mReport(std::move(report)) {}

    // Reports the diff of the write of `after` to `path`, as DryRunFileSystem::ChangeHandler;
    // `after` is null when the new file was too large to keep. When patch could not make the new
    // file from a diff (a symlink, an old version that cannot be read, either version too large),
    // notes why in Unshown() instead.
    void Changed(const QString& path, const QByteArray* after);

    const QStringList& Unshown() const { return mUnshown; }
    // True once a password was masked.
    bool Masked() const { return mMasked; }

  private:
    FileSystem& mFiles;
    QList<QByteArray> mSecrets;
    Report mReport;
    QStringList mUnshown;
    bool mMasked = false;
};
