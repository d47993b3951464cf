// Runs copies of the built program with window modules laid out in scratch folders: it loads only
// its own build's, from where it was built or installed, and only what no other user could plant.
#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QString kModuleName = QFileInfo(TERVOSETUP_MODULE).fileName();
// The first folder below the program's parent on the way to the installed module ("lib").
const QString kLibraryFolder = QDir::cleanPath("bin/" TERVO_WINDOW_MODULE_DIR).section('/', 0, 0);

void Copy(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString() << " -> " << to.toStdString();
}

void Chown(const QString& path) {
    ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 65534, 65534), 0) << path.toStdString();
}

struct Layout {
    const char* what;
    const char* module;  // the file laid out as the program's module
    // Where: "beside" the program or "installed" where the installation puts it; then what is done
    // to it: "sticky nobody's" lays it out in a sticky folder and gives it and the folders up to
    // that one to uid 65534, "/3" cuts it short.
    const char *place, *change;
    QString says;            // on standard error after the refusal; "" for a module that loads
    bool neverRuns = false;  // the module's code must not run: it was refused unopened
    const char* program = "bin/tervosetup";  // under the scratch folder
};

// Lays `layout` out under `root`; returns the program's path.
QString Make(const QString& root, const Layout& layout) {
    const QString program = root + '/' + layout.program, change = layout.change;
    if (change == "sticky nobody's") {  // as a copy in /tmp/S/v, with /tmp/S/lib made by anyone
        QDir().mkpath(root + "/S/v");
        ::chmod(QFile::encodeName(root + "/S").constData(), 01777);
    }
    Copy(TERVOSETUP_BINARY, program);
    const QString folder = QFileInfo(program).path(), place = layout.place;
    QString module = folder + (place == "installed" ? "/" TERVO_WINDOW_MODULE_DIR "/" : "/");
    module = QDir::cleanPath(module + kModuleName);
    Copy(layout.module, module);
    for (; change == "sticky nobody's" && module != root + "/S"; module = QFileInfo(module).path())
        Chown(module);
    if (change == "/3")
        QFile(module).resize(QFileInfo(module).size() / 3);
    return program;
}

TEST(WindowModuleTest, LoadsOnlyItsOwnModuleFromWhereItWasBuiltOrInstalled) {
    const QString nobody = ": belongs to nobody (uid 65534)", bare = "/bin/" + kModuleName;
    const char *const own = TERVOSETUP_MODULE, *const bad = TEST_MODULE_WITHOUT_ENTRY;
    const Layout layouts[] = {
        {"its own module beside it, as in the build tree, loads", own, "beside", "", ""},
        {"its own module where the installation puts it loads", own, "installed", "", ""},
        {"a module planted by another user in a sticky folder is refused, and never runs", bad,
         "installed", "sticky nobody's",
         "/S/" + kLibraryFolder + nobody + ", neither to root nor to the user running the program",
         true, "S/v/tervosetup"},
        {"a module cut short in its segments is a message, not a crash", own, "beside", "/3",
         bare + ": is no usable shared library: the file is cut short"},
        {"a shared library without the entry function is named and refused", bad, "beside", "",
         bare + ": is no TervoSetup window module: it has no function TervoSetupWindowModuleEntry"},
        {"a module of another build is refused", TEST_MODULE_OTHER_BUILD, "beside", "",
         bare + ": comes from another build of TervoSetup (0.1+other)"},
    };
    // A display that hangs up on every connection: the program goes on to load its module, whose
    // window system then finds no display and says so.
    const FakeDisplay display(FakeDisplay::Transport::Local, FakeDisplay::Behaviour::HangsUp);
    ASSERT_FALSE(display.Name().isEmpty());
    ASSERT_EQ(::geteuid(), 0u) << "needs root to give files to uid 65534";
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        QTemporaryDir root;
        const QString program = Make(root.path(), layout);
        QProcessEnvironment environment;
        for (const char* name : {"PATH", "ASAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(name))
                environment.insert(name, qEnvironmentVariable(name));
        environment.insert("DISPLAY", display.Name());
        environment.insert("TERVO_TEST_LOADED_MARK", root.path() + "/loaded");
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(root.path());
        process.start(program, {});
        ASSERT_TRUE(process.waitForFinished(60000));  // well under a second, but for a busy machine
        const QString said = process.readAllStandardError();
        const bool loads = layout.says.isEmpty();
        EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 2)
            << "it crashed or ended otherwise than with status 2: " << said.toStdString();
        EXPECT_TRUE(said.contains(loads ? "the display could not be reached" : layout.says) &&
                    said.contains("the window library could not be loaded") != loads)
            << "expected: " << (loads ? "a loaded module" : layout.says.toStdString())
            << "\nsaid: " << said.toStdString();
        EXPECT_FALSE(layout.neverRuns && QFile::exists(root.path() + "/loaded"))
            << "the refused module ran";
    }
}

}  // namespace
