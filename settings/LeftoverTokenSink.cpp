#include "settings/LeftoverTokenSink.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The number of "\n" in [p, end), counted in a full-width integer. A hand-made count of each
// block of bytes in a one-byte sum was faster, until a compiler's vectorizer got it wrong at -O3.
qint64 CountNewlines(const char* p, const char* end) {
    return std::count(p, end, '\n');
}

}  // namespace

bool LeftoverTokenSink::Append(const char* data, std::size_t size) {
    if (mSecrets == nullptr) {
        Scan<false>(data, data + size);
    } else {
        Scan<true>(data, data + size);
        mSecrets->Passed(mPartial.isEmpty() ? mScanned + qint64(size) : mPartialBegin);
    }
    mScanned += qint64(size);
    return mOut.Append(data, size);
}

bool LeftoverTokenSink::Restart() {
    mLine = 1;
    mScanned = 0;
    mPartial.clear();
    mListed.clear();
    mTokens.clear();
    mUnlisted = 0;
    return mOut.Restart();
}

// Most tokens of an output that holds many are looked up and counted, which copies nothing.
void LeftoverTokenSink::Note(QByteArrayView text, qint64 line) {
    if (mListed.contains(std::string_view(text.data(), std::size_t(text.size())))) {
        return;
    }
    if (mTokens.size() < kMaxListed) {
        mTokens.push_back({text.toByteArray(), line});
        const QByteArray& kept = mTokens.back().text;
        mListed.insert(std::string_view(kept.constData(), std::size_t(kept.size())));
    } else {
        ++mUnlisted;
    }
}

// With kSecrets, a token that takes in a byte of a password is left out; without, the scan does
// not look.
template <bool kSecrets>
void LeftoverTokenSink::Scan(const char* p, const char* end) {
    const char* const start = p;
    const auto offset = [&](const char* at) { return mScanned + (at - start); };
    // Whether the token of `size` bytes from `begin` takes in a byte of a password.
    const auto secret = [this](qint64 begin, qint64 size) {
        return kSecrets && mSecrets->Overlaps(begin, begin + size);
    };
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
                mPartial += *p++;
                if (!secret(mPartialBegin, mPartial.size())) {
                    Note(mPartial, mPartialLine);
                }
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
            if constexpr (kSecrets) {
                mPartialBegin = offset(dollar);
            }
            break;
        }
        if (*q == ')' && q > name) {
            if (!secret(offset(dollar), q + 1 - dollar)) {
                Note(QByteArrayView(dollar, q + 1 - dollar), mLine);
            }
            ++q;
        }
        p = q;
    }
    mLine += CountNewlines(counted, end);
}
