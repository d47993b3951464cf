#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The input as bytes.
inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken invariant must end the run where libFuzzer sees it, with the input saved; assert() is
// gone in optimized builds, so the check is spelled out. The message says which rule broke before
// libFuzzer prints the stack.
[[noreturn]] inline void Fail(const char* file, int line, const char* what, const char* condition) {
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n  (%s)\n", file, line, what, condition);
    std::abort();
}

// Bytes to print next to a broken rule, so that a crash report is readable without replaying the
// input by hand.
inline QByteArray Shown(QByteArrayView bytes) {
    return bytes.toByteArray().toPercentEncoding(" $()<>/=\"'");
}

}  // namespace fuzz

#define FUZZ_CHECK(condition, what) \
    ((condition) ? void() : fuzz::Fail(__FILE__, __LINE__, what, #condition))
