#include "settings/LeftoverTokenSink.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

// The number of "\n" in [p, end). Most outputs are scanned for lines that no token ever asks for,
// so this counts sixteen bytes at a time where the processor can (SSE2 is part of every x86-64),
// eight otherwise, in byte lanes that are added up before any of them can overflow.
qint64 CountNewlines(const char* p, const char* end) {
    qint64 count = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i newline = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        __m128i lanes = _mm_setzero_si128();  // one count per byte position, at most 255 each
        const char* stop = p + std::min<std::ptrdiff_t>((end - p) / 16, 255) * 16;
        for (; p < stop; p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, newline));  // a match is -1
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());  // two 64-bit sums
        count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#else
    constexpr quint64 kOnes = 0x0101010101010101;
    constexpr quint64 kLow7 = 0x7f7f7f7f7f7f7f7f;
    constexpr quint64 kEvenBytes = 0x00ff00ff00ff00ff;
    while (end - p >= 8) {
        quint64 lanes = 0;
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
#endif
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
            Note(QByteArrayView(dollar, q + 1 - dollar), mLine);
            ++q;
        }
        p = q;
    }
    mLine += CountNewlines(counted, end);
}
