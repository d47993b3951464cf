#pragma once

#include "platform/ByteSink.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

// Passes what is appended to it on to another sink from a thread of its own, so that writing the
// bytes out (and whatever that sink does with them) runs beside the work that produces them. The
// bytes are copied into one of two buffers, or a full buffer is taken as it is; while the thread
// passes one on, the other fills.
// Append returns false once the other sink has failed, a piece or two after it did. Restart waits
// for the thread and then restarts the other sink. An exception the other sink throws comes out
// of the next call that waits for the thread: Take, Restart, Finish, or an Append that fills a
// buffer. Where no thread can be started (a limit on processes), the bytes go to the other sink
// directly, as they come.
class BackgroundSink final : public ByteSink {
  public:
    // Makes one buffer of the given capacity; throws std::bad_alloc when it cannot.
    using BufferMaker = ByteBuffer (*)(std::size_t capacity);
    static ByteBuffer MakeBuffer(std::size_t capacity) { return ByteBuffer(capacity); }

    // Throws std::bad_alloc, with no thread left behind, when its buffers cannot be made.
    explicit BackgroundSink(ByteSink& out, std::size_t bufferBytes = std::size_t{1} << 20,
                            BufferMaker makeBuffer = MakeBuffer);
    // Finishes first.
    ~BackgroundSink();
    BackgroundSink(const BackgroundSink&) = delete;
    BackgroundSink& operator=(const BackgroundSink&) = delete;

    bool Append(const char* data, std::size_t size) override;
    // Passes `bytes` on as it is, after what was appended before, and gives back in its place the
    // buffer that the thread passed on last, empty: the sink's own or one taken earlier.
    bool Take(ByteBuffer& bytes) override;
    bool Restart() override;
    // Passes on what is left and waits until the other sink has it; then it may be used again.
    // Returns false when it has failed.
    bool Finish();

  private:
    void HandOver();
    void WaitUntilIdle(std::unique_lock<std::mutex>& lock);
    void Work();

    ByteSink& mOut;
    ByteBuffer mFilling;  // the caller's
    ByteBuffer mPassing;  // the thread's while mBusy
    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mBusy = false;
    bool mStopping = false;
    bool mFailed = false;
    std::exception_ptr mThrown;
    std::thread mThread;  // not joinable when it could not be started
};
