// A settings file is loaded, saved back and loaded again every time the user presses OK. Whatever
// the file held, that must either keep every value the user saw or refuse the save with a message:
// never crash, never change or drop a value silently.
//
// Input: the bytes of the settings file; the configuration is fixed.

#include "fuzz/FuzzCheck.h"
#include "platform/XmlDocument.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"

#include <cstddef>
#include <cstdint>

namespace {

const QString kSettings = QStringLiteral("settings.xml");
const QString kBefore = QStringLiteral("prepare --quiet");
const QString kAfter = QStringLiteral("reload");

// Ids of several shapes (bare, with markup characters), and one id declared outside any item,
// which has no field.
const char kConfiguration[] = R"~(<xml>
  <group><name>Database</name>
    <item><name>Host</name><varname>$(HOST)</varname></item>
    <item><name>Port</name><varname>$(PORT)</varname></item>
  </group>
  <group><name>Other</name>
    <item><name>Bare</name><varname>BARE</varname></item>
    <item><name>Markup</name><varname><![CDATA[$(A&B<C>)]]></varname></item>
  </group>
  <unused><varname>$(EXTRA)</varname></unused>
  <command id="before">prepare --quiet</command>
  <command id="after">reload</command>
</xml>)~";

const Configuration& FixedConfiguration() {
    static const Configuration config = [] {
        Configuration parsed;
        const Status status =
            parsed.Parse(QByteArray(kConfiguration), QStringLiteral("config.xml"));
        FUZZ_CHECK(status.ok(), "the fixed configuration parses");
        return parsed;
    }();
    return config;
}

std::vector<QString> FieldNamesOf(const Configuration& config) {
    std::vector<QString> names;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            names.push_back(FieldControlName(item.id));
        }
    }
    return names;
}

bool NestsVariables(const QByteArray& settings) {
    XmlDocument document;
    std::vector<XmlNode> nested;
    return document.Parse(settings, kSettings).ok() &&
           document.SelectNodes(QStringLiteral("//variable//variable"), &nested).ok() &&
           !nested.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Configuration& config = FixedConfiguration();
    const std::vector<QString> fieldNames = FieldNamesOf(config);
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));

    FakeFileSystem files;
    files.SetFile(kSettings, original);
    MapFieldTexts loaded(config);
    const Status read = ReadSettingsInto(files, kSettings, config, loaded);
    if (!read.ok()) {
        FUZZ_CHECK(!read.message().isEmpty(), "a failed load says why");
        for (const QString& name : fieldNames) {
            FUZZ_CHECK(loaded.FieldText(name) == QString(), "a failed load touches no field");
        }
        return 0;
    }

    FakeProcessLauncher launcher;
    const SaveResult saved =
        WriteSettingsFile(config, loaded, kSettings, kSettings, {files, launcher});
    if (!saved.saved.ok()) {
        FUZZ_CHECK(!saved.saved.message().isEmpty(), "a refused save says why");
        FUZZ_CHECK(files.FileContents(kSettings) == original, "a refused save leaves the file");
        // A file that cannot be written in its own encoding is found only after the before
        // command has started; the after command never starts for a refused save.
        FUZZ_CHECK(!launcher.commandLines().contains(kAfter),
                   "a refused save does not start the after command");
        return 0;
    }
    FUZZ_CHECK(saved.problems.isEmpty(), "the fake launcher starts every command");
    FUZZ_CHECK(launcher.commandLines() == QStringList({kBefore, kAfter}),
               "a save starts the before command, then the after command");

    MapFieldTexts reloaded(config);
    const Status reread = ReadSettingsInto(files, kSettings, config, reloaded);
    if (!reread.ok()) {
        fuzz::Show("saved file", files.FileContents(kSettings));
        fuzz::Show("reason", reread.message());
        FUZZ_CHECK(false, "a saved settings file loads again");
    }
    // Writing a value replaces the element's whole content, so a variable nested inside another
    // one goes when the outer one is written: that is how the format defines it, not a loss.
    if (NestsVariables(original)) {
        return 0;
    }
    for (const QString& name : fieldNames) {
        if (loaded.FieldText(name) != reloaded.FieldText(name)) {
            fuzz::Show("field", name);
            fuzz::Show("first load", loaded.FieldText(name).value_or(QString()));
            fuzz::Show("after the save", reloaded.FieldText(name).value_or(QString()));
            fuzz::Show("saved file", files.FileContents(kSettings));
            FUZZ_CHECK(false, "a save keeps every value it loaded");
        }
    }
    return 0;
}
