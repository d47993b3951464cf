#include "platform/BackgroundSink.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// Keeps what arrives; refuses everything from its `failAt`th piece on, or throws there.
struct Recorder final : ByteSink {
    bool Append(const char* data, std::size_t size) override {
        if (++pieces >= failAt) {
            if (throws)
                throw std::bad_alloc();
            return false;
        }
        bytes.append(data, static_cast<qsizetype>(size));
        return true;
    }
    bool Restart() override { return bytes.clear(), true; }
    QByteArray bytes;
    int pieces = 0, failAt = INT_MAX;
    bool throws = false;
};

// The bytes arrive whole and in order whatever the pieces and the buffer size, a restart drops
// what came before it, and a failure or an exception of the other sink reaches the caller.
TEST(BackgroundSinkTest, PassesTheBytesOnInOrderAndReportsFailures) {
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QByteArray::number(i) + ' ';
    for (const std::size_t buffer : {std::size_t{3}, std::size_t{1000}, std::size_t{1} << 20}) {
        Recorder out;
        BackgroundSink sink(out, buffer);
        sink.Append("dropped", 7);
        ASSERT_TRUE(sink.Restart());
        for (qsizetype at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 3 % 1001)
            ASSERT_TRUE(sink.Append(text.constData() + at, std::min(piece, text.size() - at)));
        ASSERT_TRUE(sink.Finish());
        EXPECT_TRUE(out.bytes == text) << buffer;
    }
    for (const bool throws : {false, true}) {
        Recorder out;
        out.failAt = 3;
        out.throws = throws;
        BackgroundSink sink(out, 4);
        const auto pour = [&] {
            bool accepted = true;
            for (int i = 0; i < 10; ++i)
                accepted = sink.Append("abcd", 4) && accepted;
            return sink.Finish() && accepted;
        };
        if (throws)
            EXPECT_THROW(pour(), std::bad_alloc);
        else
            EXPECT_FALSE(pour());
        EXPECT_EQ(out.bytes, "abcdabcd");
    }
}

}  // namespace
