// Runs the built program on a copy of the example where a whole run matters: defaults that the
// settings file does not hold, warnings about a misspelt configuration, items that depend on
// others. Checks the exit status, standard error and what is on disk.
#include "testing/ProgramRun.h"

#include <gtest/gtest.h>

namespace {

// The example with "numbr" for the type of Workers, on line 31 of its configuration.
#define MISSPELT_TYPE                                                                       \
    "sed -i 's|<type>number</type><min>1</min><max>64</max>|<type>numbr</type><min>1</min>" \
    "<max>64</max>|' config.xml && "
const char kMisspeltType[] =
    "config.xml:31: type \"numbr\" is read as free text; did you mean \"number\"?";

// A settings file without the variables that have a default: the outputs get the defaults, and
// neither a save nor /check adds them to the file.
TEST(RightValuesTest, DefaultsReachTheOutputsAndStayOutOfTheSettingsFile) {
    ProgramRun::RunAndCheck(
        {"the example's defaults left out of its settings file",
         "sed -i '/DBPORT\\|LOGDIR\\|HTTPPORT\\|LOGLEVEL\\|GZIP/d' settings.xml && stored && "
         "tervosetup /export && tervosetup /check && echo up-to-date",
         0,
         {},
         {"up-to-date", "port = 5432\n", "log = /var/log/inventory/app.log", "listen 8080;",
          "log_level info;", "gzip on;", "https off;",
          "ssl_certificate /etc/ssl/certs/inventory.pem;"},
         {"settings.xml changed"}});
}

// A misspelling is named at the start of every run, which goes on as the format says; with
// /strict it is an error, and nothing is written.
TEST(RightValuesTest, AMisspeltDeclarationIsNamedAndStrictRefusesIt) {
    const ProgramRun::Case cases[] = {
        {"a misspelt type", MISSPELT_TYPE "tervosetup /export", 0, {kMisspeltType}, {"workers 4;"}},
        {"a misspelt child of an item",
         "sed -i 's|<required>true</required></item>|<requried>true</requried></item>|' "
         "config.xml && tervosetup /check",
         3,
         {"config.xml:10: <requried> is not a known element of an item; did you mean "
          "<required>?"},
         {"app.ini\n"}},
        {"/export /strict",
         MISSPELT_TYPE "tervosetup /export /strict",
         1,
         {kMisspeltType, "Nothing was saved or exported"},
         {},
         {"[database]"}},
        {"/diff /strict",
         MISSPELT_TYPE "tervosetup /diff /strict",
         1,
         {kMisspeltType},
         {"+[database]"}},
        {"a value at fault comes first",
         MISSPELT_TYPE "tervosetup /export /strict /set:DBPORT=99999",
         2,
         {kMisspeltType, "/set:DBPORT: Port ($(DBPORT)): must be at most 65535"},
         {},
         {"[database]", "Nothing was saved or exported"}},
    };
    for (const ProgramRun::Case& c : cases)
        ProgramRun::RunAndCheck(c);
}

// The certificate's field is checked only while HTTPS is on, by every run; a dependency that
// cannot work refuses the configuration; a pattern's message says what the value must be.
TEST(RightValuesTest, ChecksOnlyWhatIsEnabledAndSaysWhatAValueMustBe) {
    const ProgramRun::Case cases[] = {
        {"HTTPS on: the certificate is required",
         "tervosetup /export /set:HTTPS=on /set:TLSCERT=",
         2,
         {"/set:TLSCERT: TLS certificate ($(TLSCERT)): must not be empty"},
         {},
         {"[database]"}},
        {"HTTPS off: the certificate is not checked",
         "tervosetup /export /set:TLSCERT=",
         0,
         {},
         {"https off;\n    ssl_certificate ;"},
         {"settings.xml changed"}},
        {"a pattern's message",
         "tervosetup /check /set:DBNAME=9x",
         2,
         {"/set:DBNAME: Database ($(DBNAME)): must begin with a letter or _ and hold only "
          "letters, digits and _"}},
        {"a cycle of depends",
         "sed -i 's|<varname>$(HTTPS)</varname>|<varname>$(HTTPS)</varname><depends>$(TLSKEY)"
         "</depends>|' config.xml && tervosetup /check",
         2,
         {"config.xml: line 45: the item \"TLS key\" ($(TLSKEY)): <depends> makes a cycle: "
          "$(TLSKEY) -> $(HTTPS) -> $(TLSKEY)"}},
    };
    for (const ProgramRun::Case& c : cases)
        ProgramRun::RunAndCheck(c);
}

}  // namespace
