#include "platform/TrustedFile.h"

#include "testing/QStringPrinter.h"

#include <QDir>
#include <QTemporaryDir>

#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

TEST(TrustedFileTest, OpensOnlyWhatNoOtherUserCouldHavePutThere) {
    const char* const written = ": can be written by other users than its owner";
    const QString nobody = ": belongs to nobody (uid 65534)";
    struct Case {
        const char* what;
        const char* setup;  // sh, in a folder that holds a/b/file with "library" in it
        const char* path;
        QString says;  // after the folder's path: how the refusal starts, or "" when it opens
    };
    const Case cases[] = {
        {"a file of its own user in folders of its own user", "true", "a/b/file", ""},
        {"a folder its group may write to", "chmod 775 a/b", "a/b/file", QString("/a/b") + written},
        {"its own folder in a sticky folder that everyone may add to", "chmod 1777 a", "a/b/file",
         ""},
        {"a folder that another user put into a sticky folder", "chmod 1777 a && chown 65534 a/b",
         "a/b/file", "/a/b" + nobody},
        {"a symbolic link that leads to a file of another user",
         "ln -s b/file a/link && chown 65534 a/b/file", "a/link", "/a/b/file" + nobody}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (QString(c.setup).contains("chown") && ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root to give files to uid 65534\n", c.what);
            continue;
        }
        QTemporaryDir scratch;
        const QString root = QDir(scratch.path()).canonicalPath();
        const QString setup = QString("cd '%1' && mkdir -p a/b && printf library > a/b/file && %2")
                                  .arg(root, c.setup);
        ASSERT_EQ(std::system(setup.toLocal8Bit().constData()), 0) << c.setup;
        UniqueFd file;
        const Status opened = OpenTrustedFile(root + "/" + c.path, &file);
        EXPECT_TRUE(c.says.isEmpty() ? opened.ok() : opened.message().startsWith(root + c.says))
            << "expected: " << (c.says.isEmpty() ? "" : root + c.says).toStdString()
            << "\nactual: " << opened.message().toStdString();
        char bytes[16] = {};
        EXPECT_EQ(::read(file.get(), bytes, sizeof bytes), c.says.isEmpty() ? 7 : -1);
        EXPECT_STREQ(bytes, c.says.isEmpty() ? "library" : "");
    }
}

}  // namespace
