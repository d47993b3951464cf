#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken invariant must end the run where libFuzzer sees it, with the input saved; assert() is
// gone in optimized builds, so the check is spelled out. The message says which rule broke before
// libFuzzer prints the stack.
#define FUZZ_CHECK(condition, what)                                                             \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "invariant broken at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__, \
                         what, #condition);                                                     \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

namespace fuzz {

// What a failing run prints next to the broken rule, so that a crash report is readable without
// replaying the input by hand.
inline void Show(const char* label, const QString& text) {
    std::fprintf(stderr, "  %s: [%s]\n", label, text.toUtf8().constData());
}

inline void Show(const char* label, const QByteArray& bytes) {
    std::fprintf(stderr, "  %s: %lld bytes [%s]\n", label, static_cast<long long>(bytes.size()),
                 bytes.toPercentEncoding(" $()<>/=\"'").constData());
}

}  // namespace fuzz
