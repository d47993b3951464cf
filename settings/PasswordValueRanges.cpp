#include "settings/PasswordValueRanges.h"

#include "platform/XmlDocument.h"
#include "schema/Configuration.h"
#include "settings/TemplateExport.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstring>
#include <optional>

namespace {

// How the text is made of code units: `width` bytes each, from `start` (past a byte-order mark).
struct UnitForm {
    int width = 1;
    bool bigEndian = false;
    qsizetype start = 0;
};

// Encodings whose bytes below 0x80 are always ASCII characters, as in markup: reading them byte
// by byte finds every tag where the parser does.
bool BuiltOnAscii(const QString& encoding) {
    const QString upper = encoding.toUpper();
    for (const char* prefix :
         {"ISO-8859-", "ISO8859-", "ISO_8859-", "LATIN", "WINDOWS-125", "CP125"}) {
        if (upper.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    return upper.isEmpty() || upper == u"UTF-8" || upper == u"UTF8" || upper == u"US-ASCII" ||
           upper == u"ASCII";
}

// The form of `bytes`, told by their first bytes as the parser tells it, or nothing for an
// encoding of another kind.
std::optional<UnitForm> FormOf(const QByteArray& bytes) {
    const auto starts = [&bytes](const char* prefix, int length) {
        return bytes.startsWith(QByteArray::fromRawData(prefix, length));
    };
    if (starts("\0\0\xfe\xff", 4) || starts("\0\0\0<", 4)) {
        return UnitForm{4, true, starts("\0\0\xfe\xff", 4) ? 4 : 0};
    }
    if (starts("\xff\xfe\0\0", 4) || starts("<\0\0\0", 4)) {
        return UnitForm{4, false, starts("\xff\xfe\0\0", 4) ? 4 : 0};
    }
    if (starts("\xff\xfe", 2) || starts("<\0?\0", 4)) {
        return UnitForm{2, false, starts("\xff\xfe", 2) ? 2 : 0};
    }
    if (starts("\xfe\xff", 2) || starts("\0<\0?", 4)) {
        return UnitForm{2, true, starts("\xfe\xff", 2) ? 2 : 0};
    }
    if (starts("\xef\xbb\xbf", 3)) {
        return UnitForm{1, false, 3};
    }
    // Bytes: the declaration, if any, names the encoding.
    static const QRegularExpression declaration(
        QStringLiteral("^<\\?xml[^>]*?\\sencoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch named = declaration.match(QString::fromLatin1(bytes.left(1024)));
    if (named.hasMatch() && !BuiltOnAscii(named.captured(1))) {
        return std::nullopt;
    }
    return UnitForm{1, false, 0};
}

// The markup of the text, read unit by unit: only ASCII matters to it.
class Units {
  public:
    Units(const QByteArray& bytes, UnitForm form)
        : mBytes(bytes), mForm(form), mCount((bytes.size() - form.start) / form.width) {}

    qsizetype Count() const { return mCount; }
    // The unit's value, or 0 past the end.
    char32_t At(qsizetype i) const {
        if (i >= mCount) {
            return 0;
        }
        const auto* data = reinterpret_cast<const unsigned char*>(mBytes.constData()) +
                           mForm.start + i * mForm.width;
        char32_t c = 0;
        for (int k = 0; k < mForm.width; ++k) {
            c = c << 8 | data[mForm.bigEndian ? k : mForm.width - 1 - k];
        }
        return c;
    }
    qint64 Offset(qsizetype i) const { return mForm.start + i * mForm.width; }
    bool StartsWith(qsizetype i, const char* ascii) const {
        for (; *ascii != '\0'; ++ascii, ++i) {
            if (At(i) != char32_t(*ascii)) {
                return false;
            }
        }
        return true;
    }
    // Where the next `ascii` starts from `i`, or Count().
    qsizetype Find(qsizetype i, const char* ascii) const {
        while (i < mCount && !StartsWith(i, ascii)) {
            ++i;
        }
        return i;
    }
    // Past `ascii` from `i`, or Count().
    qsizetype Past(qsizetype i, const char* ascii) const {
        return std::min(mCount, Find(i, ascii) + qsizetype(std::strlen(ascii)));
    }

  private:
    const QByteArray& mBytes;
    UnitForm mForm;
    qsizetype mCount;
};

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

// Past the quoted text that starts at `i`.
qsizetype PastQuoted(const Units& units, qsizetype i) {
    const char32_t quote = units.At(i);
    for (++i; i < units.Count() && units.At(i) != quote; ++i) {
    }
    return std::min(units.Count(), i + 1);
}

// Past a declaration "<!DOCTYPE ...>" at `i`, with its internal subset and what that holds.
qsizetype PastDeclaration(const Units& units, qsizetype i) {
    int depth = 0;
    for (i += 2; i < units.Count();) {
        const char32_t c = units.At(i);
        if (units.StartsWith(i, "<!--")) {
            i = units.Past(i + 4, "-->");
        } else if (units.StartsWith(i, "<?")) {
            i = units.Past(i + 2, "?>");
        } else if (c == U'"' || c == U'\'') {
            i = PastQuoted(units, i);
        } else if (c == U'>' && depth == 0) {
            return i + 1;
        } else {
            depth += c == U'[' ? 1 : c == U']' ? -1 : 0;
            ++i;
        }
    }
    return i;
}

// The content of every element named `variable`, in document order, as the bytes between its
// start and end tag (an empty element: an empty range after its tag).
std::vector<ByteRange> VariableContents(const Units& units) {
    std::vector<ByteRange> contents;
    std::vector<qsizetype> open;  // for each element open: its index in `contents`, or -1
    for (qsizetype i = 0; i < units.Count();) {
        if (units.At(i) != U'<') {
            ++i;
        } else if (units.StartsWith(i, "<!--")) {
            i = units.Past(i + 4, "-->");
        } else if (units.StartsWith(i, "<![CDATA[")) {
            i = units.Past(i + 9, "]]>");
        } else if (units.StartsWith(i, "<?")) {
            i = units.Past(i + 2, "?>");
        } else if (units.StartsWith(i, "<!")) {
            i = PastDeclaration(units, i);
        } else if (units.StartsWith(i, "</")) {
            if (!open.empty()) {
                if (open.back() >= 0) {
                    contents[std::size_t(open.back())].end = units.Offset(i);
                }
                open.pop_back();
            }
            i = units.Past(i + 2, ">");
        } else {
            const qsizetype name = i + 1;
            qsizetype at = name;
            while (at < units.Count() && !IsBlank(units.At(at)) && units.At(at) != U'/' &&
                   units.At(at) != U'>') {
                ++at;
            }
            const bool variable = at - name == 8 && units.StartsWith(name, "variable");
            while (at < units.Count() && units.At(at) != U'>') {
                at = units.At(at) == U'"' || units.At(at) == U'\'' ? PastQuoted(units, at) : at + 1;
            }
            const bool empty = units.At(at - 1) == U'/';
            i = std::min(units.Count(), at + 1);
            if (variable) {
                contents.push_back({units.Offset(i), units.Offset(i)});
            }
            if (!empty) {
                open.push_back(variable ? qsizetype(contents.size()) - 1 : -1);
            }
        }
    }
    return contents;
}

Status CannotFind(const QString& why) {
    return Status::Error(
        QCoreApplication::translate("PasswordValueRanges",
                                    "the places of the passwords in it cannot be found: %1")
            .arg(why));
}

}  // namespace

Status PasswordValueRanges(const Configuration& config, const QByteArray& bytes,
                           const QString& name, std::vector<ByteRange>* ranges,
                           QByteArray* placeholder) {
    ranges->clear();
    *placeholder = QByteArrayLiteral("********");
    XmlDocument document;
    if (Status parsed = document.Parse(bytes, name); !parsed.ok()) {
        return CannotFind(parsed.message());
    }
    // Every element of that name, in whatever namespace a default declaration puts it.
    std::vector<XmlNode> elements;
    if (Status selected = document.SelectNodes(QStringLiteral("//*[name()='variable']"), &elements);
        !selected.ok()) {
        return CannotFind(selected.message());
    }
    std::vector<bool> password;
    bool any = false;
    for (const XmlNode& element : elements) {
        const std::optional<QString> id = element.Attribute("id");
        const ConfigItem* item = id ? config.ItemFor(*id) : nullptr;
        password.push_back(id && (item == nullptr || item->rules.kind == ValueKind::Password));
        any = any || password.back();
    }
    if (!any) {
        return Status::Ok();
    }
    const std::optional<UnitForm> form = FormOf(bytes);
    if (!form) {
        return CannotFind(QCoreApplication::translate(
            "PasswordValueRanges",
            "its encoding is not one whose markup can be read byte by byte"));
    }
    const std::vector<ByteRange> contents = VariableContents(Units(bytes, *form));
    if (contents.size() != elements.size()) {
        return CannotFind(QCoreApplication::translate(
            "PasswordValueRanges", "its elements cannot be told apart in its bytes"));
    }
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (password[i] && !contents[i].Empty()) {
            AppendRange(*ranges, contents[i]);
        }
    }
    placeholder->clear();
    for (int star = 0; star < 8; ++star) {
        for (int k = 0; k < form->width; ++k) {
            const bool low = form->bigEndian ? k == form->width - 1 : k == 0;
            placeholder->append(low ? '*' : '\0');
        }
    }
    return Status::Ok();
}
