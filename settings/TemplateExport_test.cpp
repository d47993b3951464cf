#include "settings/TemplateExport.h"

#include "schema/Configuration.h"
#include "settings/LeftoverTokenSink.h"
#include "testing/FakeFileSystem.h"
#include "testing/QStringPrinter.h"
#include "testing/SecretBytes.h"

#include <gtest/gtest.h>

namespace {

// Exports every entry of `config` in order, as a save does; the problems, in order.
QStringList ExportTemplateFiles(const Configuration& config,
                                const std::vector<VariableValue>& values,
                                const QString& settingsPath, const QString& baseDir,
                                FileSystem& files, QStringList* warnings = nullptr) {
    const TemplateExport exporter(config, values, settingsPath, baseDir, files);
    QStringList problems;
    for (const TemplateEntry& entry : config.Templates()) {
        if (const QString problem = exporter.Export(entry, warnings); !problem.isEmpty())
            problems.append(problem);
    }
    return problems;
}

// A configuration whose one group holds `items`, with the template entries "input>output".
Configuration Parsed(const QByteArray& items, const QList<QByteArray>& entries) {
    QByteArray xml = "<xml><group><name/>" + items + "</group><files>";
    for (QByteArray entry : entries)
        xml += "<file><input>" + entry.replace('>', "</input><output>") + "</output></file>";
    Configuration config;
    EXPECT_TRUE(config.Parse(xml + "</files></xml>", "c.xml").ok());
    return config;
}
const QByteArray kPassword = "<item><name/><type>password</type><varname>$(PW)</varname></item>";

// The values are those of the root's entries, each the text of the first element of its id, and
// are replaced in that order (so that a value may name a later id) and as UTF-8. Every entry is
// written in order; one that fails is reported and leaves its output alone, and the export goes on.
// Regression: an output that was the run's own settings file or template, or empty, was written
// or skipped without a word.
TEST(TemplateExportTest, WritesEveryEntryInOrderAndGoesOnAfterAFailure) {
    FakeFileSystem files;
    files.SetFile("conf/settings.xml", R"~(<xml><g><variable id="$(V)">[$(U)]</variable></g>
        <variable id="$(V)">root</variable><variable id="$(U)">M&#xfc;nchen &#x20ac;</variable>
        <g><variable id="$(N)">n</variable></g><variable id="q&quot;'">odd</variable></xml>)~");
    files.SetFile("conf/m.out", "old output");
    files.SetFile("conf/empty.in", "");
    files.SetFile("conf/one.in", "one $(V) $(v) $(N) q\"'\r\n");
    files.SetFile("conf/two.in", "two $(V)");
    files.FailWriting("conf/x/a.out", "gone");
    files.SetFile("conf/broken.in", "broken $(V) template");
    files.FailReadingMidway("conf/broken.in", "Input/output error");
    const Configuration config =
        Parsed("", {"no.in>m.out", "broken.in>m.out", "one.in>x/a.out", "empty.in>empty.out",
                    "one.in>one.in", "two.in>settings.xml", "two.in>", "two.in>twice.out",
                    "one.in>twice.out"});
    SettingsDocument settings;
    ExportList values;
    ASSERT_TRUE(settings.Load(files, "conf/settings.xml").ok());
    ASSERT_TRUE(settings.ExportedValues(&values).ok());
    EXPECT_EQ(
        ExportTemplateFiles(config, values.values, "conf/settings.xml", "conf/", files).join('|'),
        "no.in could not be found\nconf/no.in: No such file or directory|"
        "broken.in could not be found\nconf/broken.in: Input/output error|"
        "x/a.out could not be written\nconf/x/a.out: gone|"
        "The template entry \"one.in\" -> \"one.in\" was not exported: its output is the "
        "same file as the template conf/one.in.|"
        "The template entry \"two.in\" -> \"settings.xml\" was not exported: its output is "
        "the same file as the settings file conf/settings.xml.|"
        "The template entry \"two.in\" -> \"\" was not exported: its output is empty.");
    EXPECT_EQ(files.FileContents("conf/m.out"), "old output");
    EXPECT_TRUE(files.HasFile("conf/empty.out"));
    EXPECT_EQ(files.FileContents("conf/one.in"), "one $(V) $(v) $(N) q\"'\r\n");
    EXPECT_EQ(files.FileContents("conf/twice.out"),
              "one [M\xc3\xbcnchen \xe2\x82\xac] $(v) $(N) odd\r\n");
}

// A failure names its file once: the reason drops the name of the first line (a path in a base
// folder stays, see above).
TEST(TemplateExportTest, AFailureNamesItsFileOnce) {
    FakeFileSystem files;
    files.SetFile("t.in", "t");
    files.FailWriting("nodir/a.out", "No such file or directory");
    EXPECT_EQ(
        ExportTemplateFiles(Parsed("", {"no.in>b.out", "t.in>nodir/a.out"}), {}, "s.xml", "", files)
            .join('|'),
        "no.in could not be found\nNo such file or directory|"
        "nodir/a.out could not be written\nNo such file or directory");
}

// The tokens no value replaced, as "<token>:<line> ", when `text` comes `piece` bytes at a time
// after a restart; the sink passes every byte on. `secrets`: where `text` holds passwords.
QByteArray Leftovers(const QByteArray& text, qsizetype piece,
                     const std::vector<ByteRange>& secrets = {}) {
    ByteArraySink copy;
    SecretRanges ranges(false);
    LeftoverTokenSink sink(copy, &ranges);
    sink.Append("$(X)", 4);
    sink.Restart();
    for (const ByteRange& secret : secrets)
        ranges.Add(secret);
    for (qsizetype at = 0; at < text.size(); at += piece)
        sink.Append(text.constData() + at, std::min(piece, text.size() - at));
    EXPECT_EQ(copy.bytes(), text) << "in pieces of " << piece;
    QByteArray found;
    for (const LeftoverToken& token : sink.Tokens())
        found += token.text + ':' + QByteArray::number(token.line) + ' ';
    return found;
}

// Each token once, with the line it first appears on, wherever the pieces of the output split it;
// lines are counted over long stretches of them too, sparse or dense. Regression: a Release build
// counted 255 lines for one and millions for thousands.
TEST(TemplateExportTest, FindsTheTokensNoValueReplacedInPiecesOfAnyLength) {
    QByteArray lines;  // of every length from empty to 40 bytes, some of them only "\n"
    for (int i = 0; i < 9000; ++i)
        lines += QByteArray(i % 41, char('a' + i % 26)) + '\n';
    const QByteArray far = lines + "x $(FIRST)" + lines + QByteArray(8200, '\n') + "$(SECOND)\n";
    for (const qsizetype piece : {1, 2, 3, 5, 4096}) {
        EXPECT_EQ(Leftovers("$(A) $$(B.c-1_)\n$() $(x y) $(A\n)$(A$(C\n\n$(B.c-1_)$(Z)$(Y", piece)
                      .toStdString(),
                  "$(A):1 $(B.c-1_):1 $(Z):5 ")
            << piece;
        EXPECT_EQ(Leftovers(far, piece).toStdString(), "$(FIRST):9001 $(SECOND):26201 ") << piece;
        EXPECT_EQ(Leftovers(QByteArray(300, '\n') + "$(T)", piece).toStdString(), "$(T):301 ")
            << piece;
    }
}

// A token that takes in a byte of a password's value is not told: the warning would show it.
// Regression: "$(Sec-9) has no value" told part of a password that held "$(Sec-9)".
TEST(TemplateExportTest, TellsNoTokenThatHoldsPartOfAPassword) {
    // Passwords at [3, 12) ("x$(Sec-9)") and at [26, 27) (the "b" of "$(Ab)").
    const QByteArray text = "pw=x$(Sec-9)y $(Sec-9) $(Ab) $(B)\n";
    const std::vector<ByteRange> secrets = {{3, 12}, {26, 27}};
    for (const qsizetype piece : {1, 2, 3, 4096})
        EXPECT_EQ(Leftovers(text, piece, secrets).toStdString(), "$(Sec-9):1 $(B):1 ") << piece;

    FakeFileSystem files;
    files.SetFile("t.in", "pw=$(PW)\nother $(Other)\n");
    QStringList warnings;
    EXPECT_TRUE(ExportTemplateFiles(Parsed(kPassword, {"t.in>out"}), {{u"$(PW)", u"x$(Sec-9)y"}},
                                    "s.xml", "", files, &warnings)
                    .isEmpty());
    EXPECT_EQ(warnings, QStringList{"out:2: $(Other) has no value"});
}

// The export tells where each output holds a password's value, also where a later entry takes an
// output that this save makes for its template: that output's passwords stay passwords.
TEST(TemplateExportTest, TellsWhereEachOutputHoldsPasswords) {
    const Configuration config = Parsed(kPassword + "<item><name/><varname>$(H)</varname></item>",
                                        {"t.in>a.out", "a.out>b.out", "a.out>c.out"});
    FakeFileSystem files;
    files.SetFile("t.in", "h=$(H) pw=$(PW)\n");
    QStringList told;
    const TemplateExport exporter(
        config, {{u"$(H)", u"h"}, {u"$(PW)", u"s3cret"}}, "s.xml", "", files,
        [&told](const QString& output, const std::vector<ByteRange>& secrets) {
            told.append(output + ' ' + QString::fromStdString(Shown(secrets)));
        });
    for (const TemplateEntry& entry : config.Templates())
        EXPECT_EQ(exporter.Export(entry, nullptr), "");
    EXPECT_EQ(told, QStringList({"a.out [7,13)", "b.out [7,13)", "c.out [7,13)"}));
    EXPECT_EQ(files.FileContents("c.out"), "h=h pw=s3cret\n");
}

// An output may hold millions of different tokens: the first 100 are listed, each once, and every
// later occurrence of another one is counted on one more line. Regression: every token was kept,
// which took gigabytes and as many warning lines.
TEST(TemplateExportTest, ListsTheFirstHundredTokensOfAnOutputAndCountsTheRest) {
    const auto tokens = [](int from, int to) {
        QByteArray text;
        for (int i = from; i < to; ++i)
            text += "$(T" + QByteArray::number(i) + ")\n";
        return text;
    };
    const struct {
        const char* what;
        QByteArray text;
        int lines;         // warning lines expected
        const char* last;  // the last of them
    } cases[] = {
        {"exactly 100 tokens", tokens(0, 100), 100, "out:100: $(T99) has no value"},
        {"listed ones again, not counted", tokens(0, 100) + tokens(0, 100) + tokens(100, 101), 101,
         "out: ... and 1 more without a value"},
        {"others counted at every occurrence", tokens(0, 1234) + tokens(200, 201), 101,
         "out: ... and 1,135 more without a value"},
    };
    const Configuration config = Parsed("", {"t.in>out"});
    for (const auto& c : cases) {
        FakeFileSystem files;
        files.SetFile("t.in", c.text);
        QStringList warnings;
        EXPECT_TRUE(ExportTemplateFiles(config, {}, "s.xml", "", files, &warnings).isEmpty());
        EXPECT_EQ(QString::number(warnings.size()) + ' ' + warnings.value(warnings.size() - 1),
                  QString::number(c.lines) + ' ' + c.last)
            << c.what;
        EXPECT_EQ(files.FileContents("out"), c.text) << c.what;
    }
}

}  // namespace

// Counts the opens of each file.
class CountingFileSystem final : public FakeFileSystem {
  public:
    Status OpenTrustedFile(const QString& path, qint64 maxBytes,
                           std::unique_ptr<ByteSource>* source) override {
        ++opens[path];
        return FakeFileSystem::OpenTrustedFile(path, maxBytes, source);
    }
    QHash<QString, int> opens;
};

// The template is read once for everything its export needs: the output, its mode and where its
// passwords are; also where a new output's mode needs a look at the whole template first, and a
// template that fails midway fails its entry as before.
// Regression: the template of a new output was read twice when a password had a value.
TEST(TemplateExportTest, ReadsEachTemplateOnce) {
    const struct {
        const char* what;
        const char* templateText;
        const char* password;
        bool outputExists;
        const char* output;  // as written, or the problem
        unsigned mode;
    } cases[] = {
        {"a new output with a password", "pw=$(PW) $(X)\n", "s3cret", false, "pw=s3cret x\n", 0600},
        {"a new output that holds a password's value", "pw=s3cret\n", "s3cret", false,
         "pw=s3cret\n", 0600},
        {"a new output without one", "x=$(X)\n", "s3cret", false, "x=x\n", 0644},
        {"a password without a value", "pw=$(PW)\n", "", false, "pw=\n", 0644},
        {"an output that exists", "pw=$(PW)\n", "s3cret", true, "pw=s3cret\n", 0644},
        {"a template that fails midway", "!", "s3cret", false,
         "t could not be found\nInput/output error", 0},
    };
    const Configuration config =
        Parsed(kPassword + "<item><name/><varname>$(X)</varname></item>", {"t>out"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CountingFileSystem files;
        files.SetFile("t", c.templateText);
        if (*c.templateText == '!') {
            files.FailReadingMidway("t", "Input/output error");
        }
        if (c.outputExists) {
            files.SetFile("out", "old");
        }
        const QString password(c.password);
        const QStringList problems = ExportTemplateFiles(
            config, {{u"$(PW)", password}, {u"$(X)", u"x"}}, "s.xml", "", files);
        EXPECT_EQ(files.opens.value("t"), 1);
        if (c.mode == 0) {
            EXPECT_EQ(problems.join(QChar(u'|')), QString(c.output));
            EXPECT_FALSE(files.HasFile("out"));
            continue;
        }
        EXPECT_TRUE(problems.isEmpty()) << problems.join('|').toStdString();
        EXPECT_EQ(files.FileContents("out"), c.output);
        unsigned mode = 0;
        ASSERT_TRUE(files.ModeOf("out", &mode).ok());
        EXPECT_EQ(mode, c.mode);
    }
}
