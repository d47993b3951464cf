// Runs copies of the built program with window modules laid out in scratch folders, and checks
// which it loads: only its own build's, from where it was built or installed, and only from
// files and folders that no other user could have put there.
#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

const QString kModuleName = QFileInfo(TERVOSETUP_MODULE).fileName();
// The first folder below the program's parent on the way to the installed module ("lib").
const QString kLibraryFolder = QDir::cleanPath("bin/" TERVO_WINDOW_MODULE_DIR).section('/', 0, 0);

// Copies `from` to `to`, making the folders on the way.
void Copy(const QString& from, const QString& to) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path())) << to.toStdString();
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString() << " -> " << to.toStdString();
}

// Where the program at `program` looks for its installed module.
QString InstalledModule(const QString& program) {
    return QDir::cleanPath(QFileInfo(program).path() + "/" TERVO_WINDOW_MODULE_DIR "/" +
                           kModuleName);
}

void Chown(const QString& path, uid_t user) {
    ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), user, user), 0) << path.toStdString();
}

struct Layout {
    const char* what;
    // Lays the program and its module out under `root`; returns the program's path.
    std::function<QString(const QString& root)> make;
    QStringList says;          // on standard error; {} for a module that loads
    bool asOtherUser = false;  // gives files to uid 65534, which needs root
    bool neverRuns = false;    // the module's code must not run: it was refused unopened
};

TEST(WindowModuleTest, LoadsOnlyItsOwnModuleFromWhereItWasBuiltOrInstalled) {
    const auto beside = [](const QString& module) {
        return [module](const QString& root) {
            Copy(TERVOSETUP_BINARY, root + "/bin/tervosetup");
            Copy(module, root + "/bin/" + kModuleName);
            return root + "/bin/tervosetup";
        };
    };
    const auto refused = [](const QString& why) {
        return QStringList{"the window library could not be loaded, so the editor cannot be shown",
                           why};
    };
    const std::vector<Layout> layouts = {
        {"its own module beside it, as in the build tree, loads", beside(TERVOSETUP_MODULE), {}},
        {"its own module where the installation puts it loads",
         [](const QString& root) {
             const QString program = root + "/bin/tervosetup";
             Copy(TERVOSETUP_BINARY, program);
             Copy(TERVOSETUP_MODULE, InstalledModule(program));
             return program;
         },
         {}},
        {"a module reached by a symbolic link of root's loads",
         [](const QString& root) {
             Copy(TERVOSETUP_BINARY, root + "/bin/tervosetup");
             Copy(TERVOSETUP_MODULE, root + "/real/" + kModuleName);
             QFile::link("../real/" + kModuleName, root + "/bin/" + kModuleName);
             return root + "/bin/tervosetup";
         },
         {}},
        {"a module planted by another user in a sticky folder is refused, and never runs",
         [](const QString& root) {
             // As a copy of the program in /tmp/S/v, with /tmp/S/lib made by anyone.
             QDir().mkpath(root + "/S/v");
             ::chmod(QFile::encodeName(root + "/S").constData(), 01777);
             const QString program = root + "/S/v/tervosetup";
             Copy(TERVOSETUP_BINARY, program);
             const QString module = InstalledModule(program);
             Copy(TEST_MODULE_WITHOUT_ENTRY, module);
             for (QString path = module; path != root + "/S"; path = QFileInfo(path).path())
                 Chown(path, 65534);
             return program;
         },
         refused("/S/" + kLibraryFolder +
                 ": belongs to nobody (uid 65534), neither to root nor to the user running the "
                 "program"),
         true, true},
        {"a module that belongs to another user beside the program is refused",
         [beside](const QString& root) {
             beside(TEST_MODULE_WITHOUT_ENTRY)(root);
             Chown(root + "/bin/" + kModuleName, 65534);
             return root + "/bin/tervosetup";
         },
         refused("/bin/" + kModuleName + ": belongs to nobody (uid 65534)"), true, true},
        {"a symbolic link that another user made is refused",
         [](const QString& root) {
             Copy(TERVOSETUP_BINARY, root + "/bin/tervosetup");
             Copy(TERVOSETUP_MODULE, root + "/real/" + kModuleName);
             QFile::link("../real/" + kModuleName, root + "/bin/" + kModuleName);
             Chown(root + "/bin/" + kModuleName, 65534);
             return root + "/bin/tervosetup";
         },
         refused("/bin/" + kModuleName + ": belongs to nobody (uid 65534)"), true},
        {"a module that other users may write is refused",
         [beside](const QString& root) {
             beside(TEST_MODULE_WITHOUT_ENTRY)(root);
             ::chmod(QFile::encodeName(root + "/bin/" + kModuleName).constData(), 0666);
             return root + "/bin/tervosetup";
         },
         refused("/bin/" + kModuleName + ": can be written by other users than its owner"), false,
         true},
        {"a folder on the way that other users may write, without the sticky bit, is refused",
         [beside](const QString& root) {
             beside(TEST_MODULE_WITHOUT_ENTRY)(root + "/open");
             ::chmod(QFile::encodeName(root + "/open").constData(), 0777);
             return root + "/open/bin/tervosetup";
         },
         refused("/open: can be written by other users than its owner"), false, true},
        {"a module cut short in its segments is a message, not a crash",
         [beside](const QString& root) {
             beside(TERVOSETUP_MODULE)(root);
             QFile file(root + "/bin/" + kModuleName);
             file.resize(file.size() / 3);
             return root + "/bin/tervosetup";
         },
         refused("/bin/" + kModuleName + ": is no usable shared library: the file is cut short")},
        {"a module cut short in its header is a message, not a crash",
         [beside](const QString& root) {
             beside(TERVOSETUP_MODULE)(root);
             QFile(root + "/bin/" + kModuleName).resize(40);
             return root + "/bin/tervosetup";
         },
         refused("it ends inside the ELF header")},
        {"a shared library without the entry function is named and refused",
         beside(TEST_MODULE_WITHOUT_ENTRY),
         refused("/bin/" + kModuleName +
                 ": is no TervoSetup window module: it has no function "
                 "TervoSetupWindowModuleEntry")},
        {"a module of another build is refused", beside(TEST_MODULE_OTHER_BUILD),
         refused("/bin/" + kModuleName + ": comes from another build of TervoSetup (0.1+other)")},
        {"without a module the program names where it looked",
         [](const QString& root) {
             Copy(TERVOSETUP_BINARY, root + "/bin/tervosetup");
             return root + "/bin/tervosetup";
         },
         refused(": No such file or directory")},
    };
    // A display that hangs up on every connection: the program goes on to load its module, whose
    // window system then finds no display and says so.
    const FakeDisplay display(FakeDisplay::Transport::Local, FakeDisplay::Behaviour::HangsUp);
    ASSERT_FALSE(display.Name().isEmpty());
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        if (layout.asOtherUser && ::geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: needs root to give files to uid 65534\n", layout.what);
            continue;
        }
        QTemporaryDir root;
        const QString program = layout.make(root.path());
        QProcessEnvironment environment;
        environment.insert("PATH", qEnvironmentVariable("PATH"));
        environment.insert("DISPLAY", display.Name());
        environment.insert("TERVO_TEST_LOADED_MARK", root.path() + "/loaded");
        if (qEnvironmentVariableIsSet("ASAN_OPTIONS"))
            environment.insert("ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(root.path());
        process.start(program, {});
        // A run takes well under a second; the margin is for a loaded machine.
        ASSERT_TRUE(process.waitForFinished(60000));
        const std::string said = process.readAllStandardError().toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "it crashed: " << said;
        EXPECT_EQ(process.exitCode(), 2) << said;
        const QStringList expected =
            layout.says.isEmpty() ? QStringList{"the display could not be reached"} : layout.says;
        for (const QString& text : expected) {
            EXPECT_NE(said.find(text.toStdString()), std::string::npos)
                << "expected: " << text.toStdString() << "\nsaid: " << said;
        }
        EXPECT_EQ(said.find("could not be loaded") != std::string::npos, !layout.says.isEmpty())
            << said;
        if (layout.neverRuns) {
            EXPECT_FALSE(QFile::exists(root.path() + "/loaded")) << "the refused module ran";
        }
    }
}

}  // namespace
