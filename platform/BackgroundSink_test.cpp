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

// The bytes arrive whole and in order whatever the pieces, the buffer size and whether they are
// copied or handed over; a restart drops what came before it, and a failure or an exception of the
// other sink reaches the caller.
TEST(BackgroundSinkTest, PassesTheBytesOnInOrderAndReportsFailures) {
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QByteArray::number(i) + ' ';
    for (const std::size_t buffer : {std::size_t{3}, std::size_t{1000}, std::size_t{1} << 20}) {
        Recorder out;
        BackgroundSink sink(out, buffer);
        sink.Append("dropped", 7);
        ASSERT_TRUE(sink.Restart());
        // Every other piece is handed over as a buffer, which comes back empty.
        ByteBuffer handed;
        for (qsizetype at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 3 % 1001) {
            const char* data = text.constData() + at;
            const auto size = static_cast<std::size_t>(std::min(piece, text.size() - at));
            if (piece % 2 == 0) {
                if (handed.capacity() < size)
                    handed = ByteBuffer(size);  // what comes back may be smaller
                handed.Append(data, size);
                ASSERT_TRUE(sink.Take(handed));
                ASSERT_TRUE(handed.empty());
            } else {
                ASSERT_TRUE(sink.Append(data, size));
            }
        }
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
