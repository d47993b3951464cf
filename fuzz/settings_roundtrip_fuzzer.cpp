// A settings file is loaded, saved back and loaded again every time the user presses OK. Whatever
// the file held, that must either keep every value the user saw or typed or refuse the save with a
// message: never crash, never change or drop a value silently.
//
// Input: the bytes of the settings file; the configuration is fixed.

#include "fuzz/FuzzCheck.h"
#include "platform/XmlDocument.h"
#include "session/EditSession.h"
#include "settings/SettingsDocument.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"

#include <algorithm>

// Ids of several shapes (bare, with markup characters), and one id declared outside any item,
// which has no field.
static const char kConfiguration[] =
    R"~(<xml><group><name>Database</name><item><name>Host</name><varname>$(HOST)</varname></item>
    <item><name>Port</name><varname>$(PORT)</varname></item></group><group><name>Other</name>
    <item><name>Bare</name><varname>BARE</varname></item><item><name>Markup</name>
    <varname><![CDATA[$(A&B<C>)]]></varname></item></group><unused><varname>$(EXTRA)</varname>
    </unused><command id="before">before</command><command id="after">after</command></xml>)~";

// The index that a load reads in one pass has what libxml2's document of the same bytes has: the
// root's entries with their values and lines, and each id's value from its first element at any
// depth.
static void CheckIndex(const QByteArray& bytes, const QString& path) {
    SettingsDocument settings;
    XmlDocument document;
    const Status parsed = settings.Parse(bytes, path);
    FUZZ_CHECK(parsed.message() == document.Parse(bytes, path).message(),
               "the index and libxml2's document refuse the same files, alike");
    std::vector<XmlNode> entries, all;
    std::vector<SettingsDocument::Entry> indexed;
    ExportList list;
    const std::vector<VariableValue>& exported = list.values;
    if (!parsed.ok() ||
        !document.SelectNodes(QStringLiteral("/xml/variable[@id]"), &entries).ok() ||
        !document.SelectNodes(QStringLiteral("//variable[@id]"), &all).ok())
        return;
    FUZZ_CHECK(settings.RootEntries(&indexed).ok() && settings.ExportedValues(&list).ok() &&
                   indexed.size() == entries.size() && exported.size() == entries.size(),
               "the index has the root's entries");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QString id = *entries[i].Attribute("id");
        const auto first = std::find_if(all.begin(), all.end(),
                                        [&](const XmlNode& v) { return v.Attribute("id") == id; });
        FUZZ_CHECK(
            indexed[i].id == id && indexed[i].value == entries[i].Text() &&
                indexed[i].line == entries[i].Line() && exported[i].id == id &&
                exported[i].value == first->Text(),
            "each entry has its id, value and line, and the value of its id's first element");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = QStringLiteral("settings.xml");
    const QByteArray original = fuzz::Bytes(data, size);
    CheckIndex(original, path);
    FakeFileSystem files;
    files.SetFile(QStringLiteral("c.xml"), kConfiguration);
    files.SetFile(path, original);
    FakeProcessLauncher launcher;
    EditSession loaded(files, launcher), reloaded(files, launcher);
    FUZZ_CHECK(loaded.LoadConfiguration(QStringLiteral("c.xml"), QString()).ok() &&
                   reloaded.LoadConfiguration(QStringLiteral("c.xml"), QString()).ok(),
               "the fixed configuration loads");

    // A failed load touches no value: they stay as empty as those of `reloaded`.
    const Status read = loaded.Load(path);
    FUZZ_CHECK(read.ok() || !read.message().isEmpty(), "a failed load says why");
    // Saved as it was loaded, the file keeps its bytes. Then Host gets a new value, which goes
    // into its element or, when the file has none, into a new one.
    for (int save = 0; read.ok() && save < 2; ++save) {
        if (save == 1)
            loaded.SetValue(QStringLiteral("$(HOST)"), QStringLiteral("new <&> host"));
        const QByteArray before = files.FileContents(path);
        const qsizetype started = launcher.commandLines().size();
        const SaveResult saved = loaded.Save({});
        const QStringList commands = launcher.commandLines().mid(started);
        if (!saved.Saved()) {
            FUZZ_CHECK(!saved.refusal.message().isEmpty() && files.FileContents(path) == before &&
                           commands.isEmpty(),
                       "a refused save says why, leaves the file and starts no command");
            return 0;
        }
        FUZZ_CHECK(
            saved.problems.isEmpty() && commands.join(u' ') == QStringLiteral("before after"),
            "a save starts the before command, then the after command, and both start");
        FUZZ_CHECK(save == 1 || files.FileContents(path) == original,
                   "a save without changes keeps the bytes");
    }
    if (read.ok()) {
        FUZZ_CHECK(reloaded.Load(path).ok(), "a saved file loads");
        // Writing a value replaces the element's whole content, so a variable nested inside
        // another one goes when the outer one is written: that is how the format defines it.
        XmlDocument document;
        std::vector<XmlNode> nested;
        if (document.Parse(original, path).ok() &&
            document.SelectNodes(QStringLiteral("//variable//variable"), &nested).ok() &&
            !nested.empty())
            return 0;
    }
    for (const char* id : {"$(HOST)", "$(PORT)", "BARE", "$(A&B<C>)"}) {
        const QString name = QString::fromUtf8(id);
        FUZZ_CHECK(*loaded.Values().Find(name) == *reloaded.Values().Find(name),
                   "a save keeps every value");
    }
    return 0;
}
