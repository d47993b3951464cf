#include "session/SaveDiff.h"

#include "session/LineDiff.h"
#include "session/OutputDiffMask.h"
#include "settings/PasswordValueRanges.h"

#include <QCoreApplication>
#include <QFile>

#include <memory>

namespace {

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
    // Read through the walk of the write, and never again by path: whether the path is a symlink
    // and what it holds come from the same look.
    QByteArray before;
    bool linked = false;
    const Status read = mFiles.ReadReplacedFile(path, kMaxDiffBytes, &before, &linked);
    // Patch refuses to write through a symlink; the save follows it.
    if (linked) {
        cannot(QCoreApplication::translate("SavePreview",
                                           "it is a symbolic link, which patch does not follow"));
        return;
    }
    if (!read.ok() && !read.IsNotFound()) {
        cannot(read.message());
        return;
    }
    const QByteArray* old = read.ok() ? &before : nullptr;
    std::unique_ptr<DiffMask> mask;
    if (path == mSettingsPath) {
        // Where each version of the settings file holds the values of passwords, by its XML.
        std::vector<ByteRange> hiddenBefore;
        std::vector<ByteRange> hiddenAfter;
        QByteArray placeholder;
        Status found = Status::Ok();
        if (old != nullptr)
            found = PasswordValueRanges(mConfig, *old, path, &hiddenBefore, &placeholder);
        if (found.ok())
            found = PasswordValueRanges(mConfig, *after, path, &hiddenAfter, &placeholder);
        if (!found.ok()) {
            cannot(found.message());
            return;
        }
        mask = std::make_unique<KnownRangesMask>(std::move(hiddenBefore), std::move(hiddenAfter),
                                                 std::move(placeholder));
    } else {
        mask = std::make_unique<OutputDiffMask>(outputSecrets);
    }
    FunctionSink report(mReport);
    switch (WriteFileDiff(QFile::encodeName(path), old, *after, report, mask.get(), &mSecrets)) {
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
