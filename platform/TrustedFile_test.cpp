#include "platform/TrustedFile.h"

#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Runs `command` with `path` for its argument; false when it fails.
bool On(const QString& path, const std::function<int(const char*)>& command) {
    return command(QFile::encodeName(path).constData()) == 0;
}

bool Write(const QString& path, const QByteArray& bytes = "library") {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Case {
    const char* what;
    // Makes what "a/b/file" or the path given below lead to, in the folder `root`.
    std::function<bool(const QString& root)> make;
    const char* says;  // after the root's path: the refusal; nullptr when the file opens
    bool asOtherUser = false;
    const char* path = "a/b/file";
};

int GiveToNobody(const char* path) {
    return ::lchown(path, 65534, 65534);
}

std::function<int(const char*)> SetMode(mode_t mode) {
    return [mode](const char* path) { return ::chmod(path, mode); };
}

TEST(TrustedFileTest, OpensOnlyWhatNoOtherUserCouldHavePutThere) {
    const auto tree = [](const QString& root) {
        return QDir().mkpath(root + "/a/b") && Write(root + "/a/b/file");
    };
    const Case cases[] = {
        {"a file of its own user in folders of its own user", tree, nullptr},
        {"a folder others may write to, with the sticky bit",
         [tree](const QString& root) { return tree(root) && On(root + "/a", SetMode(01777)); },
         nullptr},
        {"a folder others may write to, without the sticky bit",
         [tree](const QString& root) { return tree(root) && On(root + "/a", SetMode(0777)); },
         "/a: can be written by other users than its owner"},
        {"a folder its group may write to",
         [tree](const QString& root) { return tree(root) && On(root + "/a/b", SetMode(0775)); },
         "/a/b: can be written by other users than its owner"},
        {"a file others may write to",
         [tree](const QString& root) {
             return tree(root) && On(root + "/a/b/file", SetMode(0646));
         },
         "/a/b/file: can be written by other users than its owner"},
        {"a folder of another user under a sticky folder",
         [tree](const QString& root) {
             return tree(root) && On(root + "/a", SetMode(01777)) &&
                    On(root + "/a/b", GiveToNobody);
         },
         "/a/b: belongs to nobody (uid 65534), neither to root nor to the user running the "
         "program, so nothing is loaded from there",
         true},
        {"a file of another user",
         [tree](const QString& root) { return tree(root) && On(root + "/a/b/file", GiveToNobody); },
         "/a/b/file: belongs to nobody (uid 65534)", true},
        {"a symbolic link of its own user, relative",
         [tree](const QString& root) {
             return tree(root) && QFile::link("b/file", root + "/a/link");
         },
         nullptr, false, "a/link"},
        {"a symbolic link of its own user to a folder, absolute",
         [tree](const QString& root) {
             return tree(root) && QFile::link(root + "/a", root + "/l");
         },
         nullptr, false, "l/b/file"},
        {"a symbolic link of another user",
         [tree](const QString& root) {
             return tree(root) && QFile::link("b/file", root + "/a/link") &&
                    On(root + "/a/link", GiveToNobody);
         },
         "/a/link: belongs to nobody (uid 65534)", true, "a/link"},
        {"a symbolic link that leads to a file of another user",
         [tree](const QString& root) {
             return tree(root) && On(root + "/a/b/file", GiveToNobody) &&
                    QFile::link("b/file", root + "/a/link");
         },
         "/a/b/file: belongs to nobody (uid 65534)", true, "a/link"},
        {"a loop of symbolic links",
         [](const QString& root) {
             return QFile::link(root + "/y", root + "/x") && QFile::link(root + "/x", root + "/y");
         },
         "/x: Too many levels of symbolic links", false, "x"},
        {"a folder", tree, "/a/b: is not a regular file", false, "a/b"},
        {"a FIFO, which it must not wait on",
         [](const QString& root) { return ::mkfifo(QFile::encodeName(root + "/f"), 0600) == 0; },
         "/f: is not a regular file", false, "f"},
        {"a file taken for a folder", tree, "/a/b/file: Not a directory", false, "a/b/file/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asOtherUser && ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root to give files to uid 65534\n", c.what);
            continue;
        }
        QTemporaryDir scratch;
        const QString root = QDir(scratch.path()).canonicalPath();
        ASSERT_TRUE(c.make(root));
        UniqueFd file;
        const Status opened = OpenTrustedFile(root + "/" + c.path, &file);
        if (c.says == nullptr) {
            ASSERT_TRUE(opened.ok()) << opened.message().toStdString();
            char bytes[16] = {};
            EXPECT_EQ(::read(file.get(), bytes, sizeof bytes), 7);
            EXPECT_STREQ(bytes, "library");
        } else {
            EXPECT_TRUE(opened.message().startsWith(root + c.says))
                << "expected: " << (root + c.says).toStdString()
                << "\nactual: " << opened.message().toStdString();
            EXPECT_FALSE(file.valid());
        }
    }
}

TEST(TrustedFileTest, TellsAMissingFileFromARefusedOne) {
    QTemporaryDir scratch;
    UniqueFd file;
    const Status missing = OpenTrustedFile(scratch.path() + "/none/file", &file);
    EXPECT_TRUE(missing.IsNotFound()) << missing.message().toStdString();
    EXPECT_TRUE(missing.message().endsWith("/none: No such file or directory"))
        << missing.message().toStdString();
    EXPECT_FALSE(OpenTrustedFile("relative/file", &file).ok());
}

}  // namespace
