#include "session/SaveDiff.h"

#include "session/LineDiff.h"
#include "session/OutputDiffMask.h"
#include "settings/PasswordValueRanges.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

// Hands what it is given to the report as it comes.
class ReportSink final : public ByteSink {
  public:
    explicit ReportSink(const SaveDiff::Report& report) : mReport(report) {}
    bool Append(const char* data, std::size_t size) override {
        mReport(QByteArray(data, qsizetype(size)));
        return true;
    }
    bool Restart() override { return false; }  // what was reported stays

  private:
    const SaveDiff::Report& mReport;
};

// What a diff of the settings file hides: where each version holds the values of passwords,
// found in its XML.
class SettingsDiffMask final : public DiffMask {
  public:
    // Fails when the places cannot be found in one of the versions; `before` is null when the
    // file does not exist yet.
    Status Find(const Configuration& config, const QString& path, const QByteArray* before,
                const QByteArray& after) {
        if (before != nullptr) {
            if (Status found = PasswordValueRanges(config, *before, path, &mBefore, &mPlaceholder);
                !found.ok()) {
                return found;
            }
        }
        return PasswordValueRanges(config, after, path, &mAfter, &mPlaceholder);
    }

    bool Prepare(const QByteArray&, const QByteArray&, const std::vector<Change>&) override {
        return true;
    }
    const std::vector<ByteRange>& HiddenBefore() const override { return mBefore; }
    const std::vector<ByteRange>& HiddenAfter() const override { return mAfter; }
    QByteArray Placeholder() const override { return mPlaceholder; }

  private:
    std::vector<ByteRange> mBefore;
    std::vector<ByteRange> mAfter;
    QByteArray mPlaceholder;
};

// Whether `patch -p1` writes `path` under that name, run where the paths start from: in the
// current folder, or in "/" for the absolute paths of an absolute `baseDir`. It skips a name that
// goes up a folder (".."), and takes an absolute name for one in the folder it runs in, so a diff
// that mixes absolute and relative names would write some of them elsewhere.
bool PatchTakes(const QString& path, const QString& baseDir) {
    return path.startsWith(u'/') == baseDir.startsWith(u'/') &&
           !path.split(u'/').contains(QStringLiteral(".."));
}

}  // namespace

void SaveDiff::Changed(const QString& path, const QByteArray* after) {
    const std::vector<ByteRange> outputSecrets = mOutputSecrets.take(path);
    const auto cannot = [&](const QString& why) {
        mUnshown.append(QCoreApplication::translate(
                            "SavePreview", "%1 would change, but /diff cannot show how: %2")
                            .arg(path, why));
    };
    if (after == nullptr) {
        cannot(
            QCoreApplication::translate("SavePreview", "the new file would be larger than %1 bytes")
                .arg(kMaxDiffBytes));
        return;
    }
    if (!PatchTakes(path, mBaseDir)) {
        cannot(QCoreApplication::translate(
            "SavePreview",
            "patch -p1 skips or misnames a file outside the configuration's folder"));
        return;
    }
    // Patch refuses to write through a symlink; the save follows it.
    if (QFileInfo(path).isSymLink()) {
        cannot(QCoreApplication::translate("SavePreview",
                                           "it is a symbolic link, which patch does not follow"));
        return;
    }
    QByteArray before;
    const Status read = mFiles.ReadFile(path, kMaxDiffBytes, &before);
    if (!read.ok() && !read.IsNotFound()) {
        cannot(read.message());
        return;
    }
    const QByteArray* old = read.ok() ? &before : nullptr;
    std::unique_ptr<DiffMask> mask;
    if (path == mSettingsPath) {
        auto settings = std::make_unique<SettingsDiffMask>();
        if (Status found = settings->Find(mConfig, path, old, *after); !found.ok()) {
            cannot(found.message());
            return;
        }
        mask = std::move(settings);
    } else {
        mask = std::make_unique<OutputDiffMask>(outputSecrets);
    }
    ReportSink report(mReport);
    switch (WriteFileDiff(QFile::encodeName(path), old, *after, report, mask.get())) {
        case DiffWritten::Refused:
            cannot(QCoreApplication::translate(
                "SavePreview", "it holds too many different lines with passwords to hide them"));
            break;
        case DiffWritten::Masked:
            mMasked = true;
            break;
        case DiffWritten::Nothing:
        case DiffWritten::Plain:
            break;
    }
}
