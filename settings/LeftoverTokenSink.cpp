#include "settings/LeftoverTokenSink.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The number of "\n" in [p, end). Counts eight bytes at a time, in byte lanes that are added up
// before any of them can overflow: a plain loop runs at a fraction of the speed of memchr, and
// most outputs are scanned for lines that no token ever asks for.
qint64 CountNewlines(const char* p, const char* end) {
    constexpr quint64 kOnes = 0x0101010101010101;
    constexpr quint64 kLow7 = 0x7f7f7f7f7f7f7f7f;
    constexpr quint64 kEvenBytes = 0x00ff00ff00ff00ff;
    qint64 count = 0;
    while (end - p >= 8) {
        quint64 lanes = 0;  // one count per byte position, at most 255 each
        const char* stop = p + std::min<std::ptrdiff_t>((end - p) / 8, 255) * 8;
        for (; p < stop; p += 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            word ^= kOnes * '\n';
            // The high bit of each byte that was "\n", moved down to its lowest bit.
            lanes += ~(((word & kLow7) + kLow7) | word | kLow7) >> 7;
        }
        const quint64 pairs = (lanes & kEvenBytes) + ((lanes >> 8) & kEvenBytes);
        count += qint64((pairs * 0x0001000100010001) >> 48);
    }
    return count + std::count(p, end, '\n');
}

}  // namespace

bool LeftoverTokenSink::Append(const char* data, std::size_t size) {
    Scan(data, data + size);
    return mOut.Append(data, size);
}

bool LeftoverTokenSink::Restart() {
    mLine = 1;
    mPartial.clear();
    mSeen.clear();
    mTokens.clear();
    return mOut.Restart();
}

void LeftoverTokenSink::Note(const QByteArray& text, qint64 line) {
    if (!mSeen.contains(text)) {
        mSeen.insert(text);
        mTokens.push_back({text, line});
    }
}

void LeftoverTokenSink::Scan(const char* p, const char* end) {
    // First the rest of a token that the last piece ended in: "(", name bytes, ")", no newline.
    if (!mPartial.isEmpty() && p < end) {
        if (mPartial.size() == 1 && *p == '(') {
            mPartial += *p++;
        }
        const char* name = p;
        while (mPartial.size() >= 2 && p < end && IsNameByte(*p)) {
            ++p;
        }
        mPartial.append(name, p - name);
        if (p < end) {
            if (*p == ')' && mPartial.size() > 2) {
                Note(mPartial + *p++, mPartialLine);
            }
            mPartial.clear();
        }
    }
    const char* counted = p;  // the newlines before it are in mLine
    while (const char* dollar = static_cast<const char*>(std::memchr(p, '$', size_t(end - p)))) {
        const char* q = dollar + 1;
        if (q < end && *q != '(') {
            p = q;
            continue;
        }
        mLine += CountNewlines(counted, dollar);
        counted = dollar;
        if (q < end) {
            ++q;
        }
        const char* name = q;
        while (q < end && IsNameByte(*q)) {
            ++q;
        }
        if (q == end) {
            mPartial = QByteArray(dollar, end - dollar);
            mPartialLine = mLine;
            break;
        }
        if (*q == ')' && q > name) {
            Note(QByteArray(dollar, q + 1 - dollar), mLine);
            ++q;
        }
        p = q;
    }
    mLine += CountNewlines(counted, end);
}
