#include "session/SaveDiff.h"

#include "session/LineDiff.h"
#include "session/SecretMask.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

// Hands what it is given to the report as it comes, with every password masked.
class MaskedSink final : public ByteSink {
  public:
    MaskedSink(const QList<QByteArray>& secrets, const SaveDiff::Report& report)
        : mMask(secrets, report) {}
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

}  // namespace

void SaveDiff::Changed(const QString& path, const QByteArray* after) {
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
    MaskedSink report(mSecrets, mReport);
    WriteFileDiff(QFile::encodeName(path), read.ok() ? &before : nullptr, *after, report);
    if (report.Masked()) {
        mMasked = true;
    }
}
