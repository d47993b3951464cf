#pragma once

#include <QByteArray>

#include <gtest/gtest.h>

#include <ostream>

// Bytes as a test compares them, such as a file's contents: EXPECT_EQ(Bytes{actual}, Bytes{...}).
// A failure shows them as an escaped C string ("\n", "\"", "\x1"), not as a list of numbers, and
// of a long text only the start and the size.
struct Bytes {
    QByteArray bytes;

    friend bool operator==(const Bytes&, const Bytes&) = default;
    friend void PrintTo(const Bytes& shown, std::ostream* out) {
        constexpr qsizetype kShown = 300;
        *out << ::testing::PrintToString(shown.bytes.left(kShown).toStdString());
        if (shown.bytes.size() > kShown)
            *out << "... (" << shown.bytes.size() << " bytes in all)";
    }
};
