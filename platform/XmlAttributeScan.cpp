#include "platform/XmlAttributeScan.h"

#include <QString>

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// White space as XML has it.
bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

// Counts the attributes of each element as characters arrive, and the lines.
class AttributeCounter {
  public:
    explicit AttributeCounter(int limit) : mLimit(limit) {}

    // Takes the next character; false once an element has gone over the limit.
    bool Take(char32_t c) {
        // A line ends at LF, CR LF or a CR alone, as the parser counts them.
        if (c == U'\n' ? !mAfterCr : c == U'\r') {
            ++mLine;
        }
        mAfterCr = c == U'\r';
        if (c == U'<') {
            mState = State::Tag;
            mCount = 0;
            mTagLine = mLine;
            return true;
        }
        switch (mState) {
            case State::Text:
                break;
            case State::Tag:
                mState = c == U'>' ? State::Text : c == U'=' ? State::AfterEquals : State::Tag;
                break;
            case State::AfterEquals:
                if (c == U'"' || c == U'\'') {
                    mQuote = c;
                    mState = State::Value;
                    return ++mCount <= mLimit;
                }
                if (!IsBlank(c)) {
                    mState = c == U'>' ? State::Text : c == U'=' ? State::AfterEquals : State::Tag;
                }
                break;
            case State::Value:
                if (c == mQuote) {
                    mState = State::Tag;
                }
                break;
        }
        return true;
    }

    // The line of the "<" of the element counted last.
    int TagLine() const { return mTagLine; }

  private:
    enum class State { Text, Tag, AfterEquals, Value };
    const int mLimit;
    State mState = State::Text;
    char32_t mQuote = 0;
    int mCount = 0;
    int mLine = 1;
    int mTagLine = 1;
    bool mAfterCr = false;
};

// What AttributeCounter finds on the bytes from `at` to `end`, without the lines: whether an
// element may have more than `limit` attributes. Text between elements is skipped with memchr.
bool RangeGoesOverLimit(const char* at, const char* const end, int limit) {
    // Between elements: nothing counts until a "<".
    while ((at = static_cast<const char*>(std::memchr(at, '<', size_t(end - at)))) != nullptr) {
        ++at;
        int count = 0;
        // In an element, until its ">"; a "<" anywhere starts another one.
        while (at < end) {
            const char c = *at++;
            if (c == '<') {
                count = 0;
                continue;
            }
            if (c == '>') {
                break;
            }
            if (c != '=') {
                continue;
            }
            while (at < end && IsBlank(char32_t(*at))) {
                ++at;
            }
            const char quote = at < end ? *at : '\0';
            if (quote != '"' && quote != '\'') {
                continue;  // the element loop takes that character as it comes
            }
            if (++count > limit) {
                return true;
            }
            for (++at; at < end && *at != quote && *at != '<'; ++at) {
            }
            if (at < end && *at == quote) {
                ++at;
            }
        }
    }
    return false;
}

// The same for the whole text, faster: the counter counts the attributes of an element from its
// "<" to the next "<" at the latest, and each needs an "=" there. A stretch between two "<" of
// at most `limit` bytes after the first cannot hold more than `limit` of them; such stretches, all
// of a usual file, are passed over `limit` bytes at a time with memrchr, and only a longer one is
// counted. The scan then costs next to nothing beside the parse.
bool BytesGoOverLimit(const QByteArray& bytes, int limit) {
    const char* start = bytes.constData();  // the text's start or a "<"
    const char* const end = start + bytes.size();
    const auto window = std::size_t(limit);
    while (end - start > limit) {
        // Every stretch that starts before the last "<" of the window ends at it or earlier.
        if (const void* last = memrchr(start + 1, '<', window)) {
            start = static_cast<const char*>(last);
            continue;
        }
        const char* const after = start + 1 + window;
        const auto* next =
            static_cast<const char*>(std::memchr(after, '<', std::size_t(end - after)));
        if (RangeGoesOverLimit(start, next != nullptr ? next : end, limit)) {
            return true;
        }
        if (next == nullptr) {
            return false;
        }
        start = next;
    }
    return false;
}

// How the first bytes of a text say it is to be read, as libxml2 tells it from them: code units of
// `width` bytes, or bytes decoded from `iconvName`; from `start`, past a byte-order mark.
struct Form {
    int width = 1;
    bool bigEndian = false;
    const char* iconvName = nullptr;
    int start = 0;

    bool IsBytes() const { return width == 1 && iconvName == nullptr; }

    static Form Of(const QByteArray& bytes) {
        const auto starts = [&bytes](const char* prefix, int length) {
            return bytes.startsWith(QByteArray::fromRawData(prefix, length));
        };
        if (starts("\0\0\0<", 4)) {
            return {4, true, nullptr, 0};
        }
        if (starts("<\0\0\0", 4)) {
            return {4, false, nullptr, 0};
        }
        if (starts("\x4c\x6f\xa7\x94", 4)) {
            return {1, false, "IBM037", 0};  // EBCDIC, until the declaration names its variant
        }
        if (starts("<\0?\0", 4) || starts("\xff\xfe", 2)) {
            return {2, false, nullptr, starts("\xff\xfe", 2) ? 2 : 0};
        }
        if (starts("\0<\0?", 4) || starts("\xfe\xff", 2)) {
            return {2, true, nullptr, starts("\xfe\xff", 2) ? 2 : 0};
        }
        return {1, false, nullptr, starts("\xef\xbb\xbf", 3) ? 3 : 0};
    }
};

struct IconvCloser {
    iconv_t handle;
    ~IconvCloser() { iconv_close(handle); }
};

// Hands each character of `bytes`, read in `form`, to `take` until it returns false; false then.
// Bytes that the encoding cannot decode are skipped one at a time, each as U+FFFD, so that what
// follows them is still read.
template <typename Take>
bool ForEachCharacter(const QByteArray& bytes, const Form& form, Take take) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (form.iconvName == nullptr) {
        for (size_t at = size_t(form.start); at + size_t(form.width) <= size; at += form.width) {
            char32_t c = 0;
            for (int i = 0; i < form.width; ++i) {
                c = c << 8 | data[at + size_t(form.bigEndian ? i : form.width - 1 - i)];
            }
            if (!take(c)) {
                return false;
            }
        }
        return true;
    }
    const iconv_t handle = iconv_open("UTF-32LE", form.iconvName);
    if (handle == iconv_t(-1)) {
        return true;  // the parser cannot read that encoding either
    }
    const IconvCloser closer{handle};
    char* in = const_cast<char*>(bytes.constData()) + form.start;
    size_t inLeft = size - size_t(form.start);
    char32_t decoded[4096];
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(decoded);
        size_t outLeft = sizeof decoded;
        const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
        const int error = result == size_t(-1) ? errno : 0;
        const size_t count = (sizeof decoded - outLeft) / sizeof decoded[0];
        for (size_t i = 0; i < count; ++i) {
            if (!take(decoded[i])) {
                return false;
            }
        }
        if (error == EILSEQ) {
            ++in;
            --inLeft;
            if (!take(U'\uFFFD')) {
                return false;
            }
        } else if (error == EINVAL || (error != 0 && error != E2BIG)) {
            break;  // cut short at the end, or nothing more to be had
        }
    }
    return true;
}

// The text of the XML declaration at the start of the text, up to its first ">", or nothing. A run
// of blanks is kept as one, which the reading below takes the same, and the text is cut after a
// megabyte: no declaration that names an encoding comes near.
std::u32string Declaration(const QByteArray& bytes, const Form& form) {
    constexpr char32_t kOpening[] = U"<?xml";
    std::u32string text;
    bool isDeclaration = true;
    ForEachCharacter(bytes, form, [&](char32_t c) {
        const size_t at = text.size();
        if (at <= 5) {
            isDeclaration = at < 5 ? c == kOpening[at] : IsBlank(c);
        }
        if (!(IsBlank(c) && at > 0 && IsBlank(text.back()))) {
            text.push_back(c);
        }
        return isDeclaration && c != U'>' && text.size() < (size_t(1) << 20);
    });
    return isDeclaration && text.size() > 5 ? text : std::u32string();
}

// The encoding that the declaration `text` names, read as libxml2 reads it: an optional version,
// then "encoding", "=" and a quoted name; where the version is malformed the parser still goes on
// to look for the encoding.
std::string DeclaredEncoding(const std::u32string& text) {
    if (text.empty()) {
        return std::string();
    }
    size_t at = 5;  // past "<?xml"
    const auto peek = [&text, &at] { return at < text.size() ? text[at] : U'\0'; };
    const auto skipBlanks = [&] {
        while (IsBlank(peek())) {
            ++at;
        }
    };
    const auto skipWord = [&](const char32_t* word) {
        const size_t length = std::char_traits<char32_t>::length(word);
        if (text.compare(at, length, word) != 0) {
            return false;
        }
        at += length;
        return true;
    };
    const auto isDigit = [&] { return peek() >= U'0' && peek() <= U'9'; };
    skipBlanks();
    if (skipWord(U"version")) {
        skipBlanks();
        if (peek() == U'=') {
            ++at;
            skipBlanks();
            if (const char32_t quote = peek(); quote == U'"' || quote == U'\'') {
                ++at;
                if (isDigit()) {
                    ++at;
                    if (peek() == U'.') {
                        ++at;
                        while (isDigit()) {
                            ++at;
                        }
                    }
                }
                if (peek() == quote) {
                    ++at;
                    if (text.compare(at, 2, U"?>") == 0) {
                        return std::string();
                    }
                }
            }
        }
    }
    skipBlanks();
    if (!skipWord(U"encoding")) {
        return std::string();
    }
    skipBlanks();
    if (peek() != U'=') {
        return std::string();
    }
    ++at;
    skipBlanks();
    const char32_t quote = peek();
    if (quote != U'"' && quote != U'\'') {
        return std::string();
    }
    ++at;
    std::string name;
    const auto isLetter = [](char32_t c) {
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    };
    while (isLetter(peek()) ||
           (!name.empty() && (isDigit() || peek() == U'.' || peek() == U'_' || peek() == U'-'))) {
        name.push_back(char(peek()));
        ++at;
    }
    return peek() == quote ? name : std::string();
}

// Whether reading the text as bytes already reads it as the encoding `name` does: UTF-8 and the
// single-byte encodings built on ASCII.
bool ReadAsBytes(const std::string& name) {
    const QByteArray upper = QByteArray::fromStdString(name).toUpper();
    for (const char* prefix :
         {"ISO-8859-", "ISO8859-", "ISO_8859-", "LATIN", "WINDOWS-125", "CP125"}) {
        if (upper.startsWith(prefix)) {
            return true;
        }
    }
    return upper == "UTF-8" || upper == "UTF8" || upper == "US-ASCII" || upper == "ASCII";
}

}  // namespace

int FindElementOverAttributeLimit(const QByteArray& bytes, int limit) {
    const Form detected = Form::Of(bytes);
    std::vector<Form> readings = {Form()};
    if (!detected.IsBytes()) {
        readings.push_back(detected);
    }
    const std::string declared = DeclaredEncoding(Declaration(bytes, detected));
    // The parser keeps reading UTF-16 that declares itself so, with or without its byte order.
    const QByteArray name = QByteArray::fromStdString(declared).toUpper();
    const bool sameAsDetected =
        (detected.width == 2 && (name == "UTF-16" || name == "UTF16" ||
                                 name == (detected.bigEndian ? "UTF-16BE" : "UTF-16LE"))) ||
        (detected.iconvName != nullptr && name == detected.iconvName);
    if (!declared.empty() && !ReadAsBytes(declared) && !sameAsDetected) {
        readings.push_back({1, false, declared.c_str(), 0});
    }
    for (const Form& form : readings) {
        if (form.IsBytes() && form.start == 0 && !BytesGoOverLimit(bytes, limit)) {
            continue;
        }
        AttributeCounter counter(limit);
        if (!ForEachCharacter(bytes, form, [&counter](char32_t c) { return counter.Take(c); })) {
            return counter.TagLine();
        }
    }
    return 0;
}
