#include "platform/BackgroundSink.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// Keeps what arrives; from its `failAt`th piece on it throws, or refuses when `throws` is false.
struct Recorder final : ByteSink {
    Recorder(int failAt, bool throws) : failAt(failAt), throws(throws) {}
    bool Append(const char* data, std::size_t size) override {
        if (++pieces >= failAt && throws)
            throw std::bad_alloc();
        return pieces < failAt && (bytes.append(data, static_cast<qsizetype>(size)), true);
    }
    bool Restart() override { return bytes.clear(), true; }
    int failAt, pieces = 0;
    bool throws;
    QByteArray bytes;
};

// Pieces copied or handed over arrive whole and in order whatever the buffer size, a restart drops
// what came before, and a refusal or an exception of the other sink reaches the caller.
TEST(BackgroundSinkTest, PassesTheBytesOnInOrderAndReportsFailures) {
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QByteArray::number(i) + ' ';
    for (const std::size_t buffer : {std::size_t{3}, std::size_t{1} << 20}) {
        Recorder out(INT_MAX, false);
        BackgroundSink sink(out, buffer);
        ASSERT_TRUE(sink.Append("dropped", 7) && sink.Restart());
        for (qsizetype at = 0, piece = 1; at < text.size(); at += piece, piece = piece * 3 % 1001) {
            const auto size = static_cast<std::size_t>(std::min(piece, text.size() - at));
            ByteBuffer handed(size);  // every other piece is handed over
            handed.Append(text.constData() + at, size);
            ASSERT_TRUE(piece % 2 ? sink.Append(handed.data(), size) : sink.Take(handed));
        }
        ASSERT_TRUE(sink.Finish());
        EXPECT_TRUE(out.bytes == text) << buffer;
    }
    for (const bool throws : {false, true}) {
        Recorder out(3, throws);
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

// A sink whose buffers cannot be made throws std::bad_alloc, which the export turns into "not
// enough memory", and leaves no thread behind. Regression: its thread was started first and left
// joinable, and the program ended in std::terminate.
TEST(BackgroundSinkTest, ThrowsWithoutAThreadWhenItsBuffersCannotBeMade) {
    for (const int madeBeforeFailing : {0, 1}) {
        static int made;  // a plain function pointer cannot capture
        made = madeBeforeFailing;
        const auto fails = [](std::size_t capacity) {
            if (made-- == 0)
                throw std::bad_alloc();
            return ByteBuffer(capacity);
        };
        Recorder out(INT_MAX, false);
        EXPECT_THROW(BackgroundSink(out, 16, fails), std::bad_alloc) << madeBeforeFailing;
        EXPECT_TRUE(out.bytes.isEmpty());
    }
}

}  // namespace
