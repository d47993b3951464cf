#include "settings/LeftoverTokenSink.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The number of "\n" in [p, end). Most outputs are scanned for lines that no token ever asks for,
// so this must cost little next to writing them: the count of each sixteen bytes is a fixed loop
// that the compiler turns into vector compares, kept in one byte so that the sum stays in byte
// lanes. A byte's count cannot overflow, as it is at most 16.
qint64 CountNewlines(const char* p, const char* end) {
    qint64 count = 0;
    for (; end - p >= 16; p += 16) {
        unsigned char block = 0;
        for (int i = 0; i < 16; ++i) {
            block += p[i] == '\n';
        }
        count += block;
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
