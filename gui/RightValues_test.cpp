// Runs the built program on a copy of the example where a whole run matters: defaults that the
// settings file does not hold, warnings about a misspelt configuration, items that depend on
// others. Checks the exit status, standard error and what is on disk.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct ValuesRun {
    const char* script;  // for sh; see the harness below
    int status;
    QStringList says = {};   // on standard error, which stays empty without them
    QStringList shows = {};  // on standard output: what the script prints, then the outputs
    QStringList hides = {};  // on neither
};

// Each script runs in a fresh copy of the example. `tervosetup` runs the built program by its
// path, and `stored` notes the settings file as it is; at the end the outputs are printed, and
// whether the settings file is still the one noted.
const char kHarness[] =
    "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; TERVOSETUP='%1'; "
    "tervosetup() { \"$TERVOSETUP\" \"$@\"; }; "
    "stored() { cp settings.xml stored.xml; }; "
    "cp -R '%2/.' . && stored && (%3); status=$?; cat app.ini server.conf 2>/dev/null; "
    "cmp -s settings.xml stored.xml || echo settings.xml changed; exit $status";

// The example with "numbr" for the type of Workers, on line 31 of its configuration.
#define MISSPELT_TYPE                                                                       \
    "sed -i 's|<type>number</type><min>1</min><max>64</max>|<type>numbr</type><min>1</min>" \
    "<max>64</max>|' config.xml && "
const char kMisspeltType[] =
    "config.xml:31: type \"numbr\" is read as free text; did you mean \"number\"?";

TEST(RightValuesTest, EndsWithTheStatusMessagesAndFilesOfEachRun) {
    const ValuesRun runs[] = {
        // A settings file without the variables that have a default: the outputs get the
        // defaults, and neither a save nor /check adds them to the file.
        {"sed -i '/DBPORT\\|LOGDIR\\|HTTPPORT\\|LOGLEVEL\\|GZIP/d' settings.xml && stored && "
         "tervosetup /export && tervosetup /check && echo up-to-date",
         0,
         {},
         {"up-to-date", "port = 5432\n", "log = /var/log/inventory/app.log", "listen 8080;",
          "log_level info;", "gzip on;", "https off;",
          "ssl_certificate /etc/ssl/certs/inventory.pem;"},
         {"settings.xml changed"}},
        // A misspelling is named at the start of every run, which goes on as the format says.
        {MISSPELT_TYPE "tervosetup /export", 0, {kMisspeltType}, {"workers 4;"}},
        {"sed -i 's|<required>true</required></item>|<requried>true</requried></item>|' "
         "config.xml && tervosetup /check",
         3,
         {"config.xml:10: <requried> is not a known element of an item; did you mean "
          "<required>?"},
         {"app.ini\n"}},
        // With /strict it is an error, and nothing is written.
        {MISSPELT_TYPE "tervosetup /export /strict",
         1,
         {kMisspeltType, "Nothing was saved or exported"},
         {},
         {"[database]"}},
        {MISSPELT_TYPE "tervosetup /diff /strict", 1, {kMisspeltType}, {"+[database]"}},
        {MISSPELT_TYPE "tervosetup /export /strict /set:DBPORT=99999",
         2,
         {kMisspeltType, "/set:DBPORT: Port ($(DBPORT)): must be at most 65535"},
         {},
         {"[database]", "Nothing was saved or exported"}},
        // The certificate's field is checked only while HTTPS is on, by every run.
        {"tervosetup /export /set:HTTPS=on /set:TLSCERT=",
         2,
         {"/set:TLSCERT: TLS certificate ($(TLSCERT)): must not be empty"},
         {},
         {"[database]"}},
        {"tervosetup /export /set:TLSCERT=",
         0,
         {},
         {"https off;\n    ssl_certificate ;"},
         {"settings.xml changed"}},
        // A pattern's message says what the value must be.
        {"tervosetup /check /set:DBNAME=9x",
         2,
         {"/set:DBNAME: Database ($(DBNAME)): must begin with a letter or _ and hold only "
          "letters, digits and _"}},
        {"sed -i 's|<varname>$(HTTPS)</varname>|<varname>$(HTTPS)</varname><depends>$(TLSKEY)"
         "</depends>|' config.xml && tervosetup /check",
         2,
         {"config.xml: line 45: the item \"TLS key\" ($(TLSKEY)): <depends> makes a cycle: "
          "$(TLSKEY) -> $(HTTPS) -> $(TLSKEY)"}},
    };
    const QString harness =
        QString(kHarness).arg(QFileInfo(TERVOSETUP_BINARY).absoluteFilePath(), TERVOSETUP_EXAMPLES);
    for (const ValuesRun& run : runs) {
        SCOPED_TRACE(run.script);
        QTemporaryDir copy;
        QProcess process;
        process.setWorkingDirectory(copy.path());
        // The limit only ends a run that hangs, such as one that waits for a message box.
        process.start("timeout", {"-k", "5", "120", "sh", "-c", harness.arg(run.script)});
        process.waitForFinished(-1);
        const QString said = process.readAllStandardError();
        const QString wrote = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), run.status) << qPrintable(said);
        EXPECT_EQ(said.isEmpty(), run.says.isEmpty()) << qPrintable(said);
        for (const QString& text : run.says) {
            EXPECT_TRUE(said.contains(text)) << "expected on standard error: " << qPrintable(text)
                                             << "\nsaid: " << qPrintable(said);
        }
        for (const QString& text : run.shows) {
            EXPECT_TRUE(wrote.contains(text)) << "expected on standard output: " << qPrintable(text)
                                              << "\nwrote: " << qPrintable(wrote);
        }
        for (const QString& text : run.hides) {
            EXPECT_FALSE(said.contains(text) || wrote.contains(text))
                << "not expected: " << qPrintable(text) << "\nsaid: " << qPrintable(said)
                << "\nwrote: " << qPrintable(wrote);
        }
    }
}

}  // namespace
