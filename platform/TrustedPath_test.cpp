#include "platform/DiskFileSystem.h"

#include "platform/SystemError.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QTemporaryDir>

#include <errno.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// What a use of a path came to: "ok", or the message after the scratch folder's path, marked
// "untrusted: " when the trust rule refused it.
QString Verdict(const Status& status, const QString& root) {
    if (status.ok())
        return "ok";
    QString message = status.message();
    if (message.startsWith(root))
        message.remove(0, root.size());
    return status.IsUntrusted() ? "untrusted: " + message : message;
}

// Reading and writing trust a path by one rule: nothing that a user other than root and the one
// running the program owns or may change, anywhere on the path. A read also wants the file itself
// to be such; a write replaces it, and only minds its owner in a folder that others may add to.
TEST(TrustedPathTest, ReadsAndWritesOnlyThroughWhatNoOtherUserControls) {
    const QString nobodysFolder =
        ": the folder belongs to the user nobody, who is neither root nor the user running this "
        "program; nothing is %1 through it";
    const QString nobodysLink =
        ": the symlink belongs to the user nobody, who is neither root nor the user running "
        "this program; nothing is %1 through it";
    const QString othersMayReplace =
        ": the folder belongs to root, but other users may replace what is in it (mode 0775); "
        "nothing is %1 through it";
    struct Case {
        const char* what;
        const char* setup;  // sh, in a folder that holds a/b/file with "library" in it
        const char* path;
        QString read;
        QString written;
    };
    const Case cases[] = {
        {"root's folders and file", "true", "a/b/file", "ok", "ok"},
        {"a folder that root's group may write to", "chmod 775 a/b", "a/b/file", "ok", "ok"},
        {"a folder that another group may write to", "chgrp 65534 a/b && chmod 775 a/b", "a/b/file",
         "untrusted: /a/b" + othersMayReplace.arg("read"),
         "untrusted: /a/b" + othersMayReplace.arg("written")},
        {"its own folder in a sticky folder that everyone may add to", "chmod 1777 a", "a/b/file",
         "ok", "ok"},
        {"another user's folder in a sticky folder", "chmod 1777 a && chown 65534 a/b", "a/b/file",
         "untrusted: /a/b" + nobodysFolder.arg("read"),
         "untrusted: /a/b" + nobodysFolder.arg("written")},
        // Regression: root's export through another user's folder app and symlink out, to a file
        // only root may write, overwrote that file: only the folder of the file was looked at.
        {"a symlink in another user's folder to root's file",
         "chmod 1777 a && mkdir a/app && ln -s \"$PWD/a/b/file\" a/app/out && "
         "chown -h 65534:65534 a/app a/app/out",
         "a/app/out", "untrusted: /a/app" + nobodysFolder.arg("read"),
         "untrusted: /a/app" + nobodysFolder.arg("written")},
        {"another user's symlink", "ln -s b/file a/link && chown -h 65534 a/link", "a/link",
         "untrusted: /a/link" + nobodysLink.arg("read"),
         "untrusted: /a/link" + nobodysLink.arg("written")},
        {"a symlink to another user's file, which a write replaces",
         "ln -s b/file a/link && chown 65534 a/b/file", "a/link",
         "untrusted: /a/b/file: the file belongs to the user nobody, who is neither root nor the "
         "user running this program; it is not read",
         "ok"},
        {"a file that others may change", "chmod 666 a/b/file", "a/b/file",
         "untrusted: /a/b/file: the file belongs to root, but other users may change it (mode "
         "0666); it is not read",
         "ok"},
        {"another user's file in a sticky folder", "chmod 1777 a/b && chown 65534 a/b/file",
         "a/b/file",
         "untrusted: /a/b/file: the file belongs to the user nobody, who is neither root nor the "
         "user running this program; it is not read",
         "untrusted: /a/b/file: the file belongs to the user nobody, in a folder where other users "
         "may create files; it is not written"},
        {"a folder at the path", "true", "a/b", "/a/b: is not a regular file",
         "/a/b: " + DescribeErrno(EISDIR)},
        {"a missing folder on the way", "true", "a/x/file", "/a/x/file: " + DescribeErrno(ENOENT),
         "/a/x/file: " + DescribeErrno(ENOENT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (QString(c.setup).contains("65534") && ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root to give files to uid 65534\n", c.what);
            continue;
        }
        QTemporaryDir scratch;
        const QString root = QDir(scratch.path()).canonicalPath();
        const QString setup = QString("cd '%1' && mkdir -p a/b && printf library > a/b/file && %2")
                                  .arg(root, c.setup);
        ASSERT_EQ(std::system(setup.toLocal8Bit().constData()), 0) << c.setup;
        DiskFileSystem files;
        std::unique_ptr<ByteSource> source;
        const QString path = root + "/" + c.path;
        EXPECT_EQ(Verdict(files.OpenTrustedFile(path, 100, &source), root), c.read);
        QByteArray bytes;
        EXPECT_EQ(c.read == "ok" ? ReadAll(*source, &bytes).ok() && bytes == "library" : !source,
                  true);
        EXPECT_EQ(Verdict(files.CheckWriteTarget(path), root), c.written);
        EXPECT_EQ(files.WriteFile(path, "new").ok(), c.written == "ok");
        EXPECT_EQ(files.ReadFile(root + "/a/b/file", 100, &bytes).ok() && bytes == "new",
                  c.written == "ok")
            << "what the write replaced";
    }
}

}  // namespace
