#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken invariant must end the run where libFuzzer sees it, with the input saved; assert() is
// gone in optimized builds, so the check is spelled out. The message says which rule broke before
// libFuzzer prints the stack.
[[noreturn]] inline void Fail(const char* file, int line, const char* what, const char* condition) {
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n  (%s)\n", file, line, what, condition);
    std::abort();
}

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

#define FUZZ_CHECK(condition, what) \
    ((condition) ? void() : fuzz::Fail(__FILE__, __LINE__, what, #condition))
