#pragma once

#include "platform/ByteSink.h"
#include "platform/ByteSource.h"
#include "platform/Status.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// The two ends of a substitution run: the template comes in and the output goes out in pieces,
// so that neither is held whole.

// The template as the run sees it: read from its source in pieces, of which only what is not yet
// accounted for in the output is kept. Positions are offsets in the whole template.
class TemplateWindow {
  public:
    // Each read asks for at least this much.
    static constexpr std::size_t kReadBytes = std::size_t{64} << 10;

    explicit TemplateWindow(ByteSource& source) : mSource(source) {}

    // Drops the text before `keepFrom` (which must be held) and reads on after what is held.
    // Fails when the source cannot be read.
    Status ReadMore(std::size_t keepFrom) {
        const std::size_t done = keepFrom - mBase;
        std::memmove(mText.data(), mText.data() + done, mFilled - done);
        mBase = keepFrom;
        mFilled -= done;
        // The buffer starts small, as most templates are, and doubles when what it keeps leaves
        // too little room.
        if (mText.size() - mFilled < kReadBytes) {
            mText.resize(std::max(2 * mText.size(), mFilled + kReadBytes));
        }
        std::size_t got = 0;
        if (Status read = mSource.Read(mText.data() + mFilled, mText.size() - mFilled, &got);
            !read.ok()) {
            return read;
        }
        mFilled += got;
        mEnded = got == 0;
        return Status::Ok();
    }

    // Where the byte at `position` is held: from the last `keepFrom` to ReadEnd(), and one past.
    const char* At(std::size_t position) const { return mText.data() + (position - mBase); }
    // Where what has been read ends.
    std::size_t ReadEnd() const { return mBase + mFilled; }
    // Whether the last read found the end of the template.
    bool Ended() const { return mEnded; }
    bool IsEnd(std::size_t position) const { return mEnded && position == ReadEnd(); }

  private:
    ByteSource& mSource;
    std::string mText;  // the template from mBase on, mFilled bytes of it
    std::size_t mBase = 0;
    std::size_t mFilled = 0;
    bool mEnded = false;
};

// The output on its way to the sink: small pieces are gathered in a buffer, which goes to the sink
// whole when it is full (ByteSink::Take, which may hand back another in its place); a piece of
// `pieceBytes` or more goes straight out. Once the sink has failed, the bytes are dropped.
class OutputPieces {
  public:
    OutputPieces(ByteSink& sink, std::size_t pieceBytes) : mSink(sink), mPieceBytes(pieceBytes) {}

    // A new buffer holds about as much as the template read so far, up to a piece: a small
    // template needs no more than a small buffer.
    void SetTemplateRead(std::size_t bytes) { mTemplateRead = bytes; }

    void Emit(const char* data, std::size_t size) {
        if (size <= mBuffer.room()) {
            mBuffer.Append(data, size);
            return;
        }
        Flush();
        if (size >= mPieceBytes) {
            Send(data, size);
            return;
        }
        const std::size_t wanted =
            std::max(size, std::min(mPieceBytes, mTemplateRead + mTemplateRead / 8 + 64));
        if (mBuffer.capacity() < wanted) {
            mBuffer = ByteBuffer(wanted);
        }
        mBuffer.Append(data, size);
    }
    void Emit(std::string_view bytes) { Emit(bytes.data(), bytes.size()); }

    void Flush() {
        if (!mBuffer.empty() && !mFailed && !mSink.Take(mBuffer)) {
            mFailed = true;
        }
        mBuffer.Clear();
    }
    bool Failed() const { return mFailed; }

  private:
    void Send(const char* data, std::size_t size) {
        if (!mFailed && !mSink.Append(data, size)) {
            mFailed = true;
        }
    }

    ByteSink& mSink;
    std::size_t mPieceBytes;
    std::size_t mTemplateRead = 0;
    ByteBuffer mBuffer;
    bool mFailed = false;
};
