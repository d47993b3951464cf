#include "platform/BackgroundSink.h"

#include <algorithm>
#include <system_error>
#include <utility>

BackgroundSink::BackgroundSink(ByteSink& out, std::size_t bufferBytes, BufferMaker makeBuffer)
    : mOut(out) {
    // The buffers come first: a thread started before an allocation that fails would be left
    // joinable as the exception leaves, and that ends the program.
    bufferBytes = std::max<std::size_t>(bufferBytes, 1);
    mFilling = makeBuffer(bufferBytes);
    mPassing = makeBuffer(bufferBytes);
    try {
        mThread = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // The bytes go out directly instead, and the buffers are not needed.
        mFilling = ByteBuffer();
        mPassing = ByteBuffer();
    }
}

BackgroundSink::~BackgroundSink() {
    try {
        Finish();
    } catch (...) {  // nobody is left to report it to
    }
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        mStopping = true;
    }
    mChanged.notify_all();
    if (mThread.joinable()) {
        mThread.join();
    }
}

bool BackgroundSink::Append(const char* data, std::size_t size) {
    if (!mThread.joinable()) {
        mFailed = mFailed || !mOut.Append(data, size);
        return !mFailed;
    }
    while (size > 0) {
        const std::size_t part = std::min(size, mFilling.room());
        mFilling.Append(data, part);
        data += part;
        size -= part;
        if (mFilling.room() == 0) {
            HandOver();
        }
    }
    const std::lock_guard<std::mutex> lock(mMutex);
    return !mFailed;
}

bool BackgroundSink::Take(ByteBuffer& bytes) {
    if (!mThread.joinable() || bytes.empty()) {
        return ByteSink::Take(bytes);
    }
    if (!mFilling.empty()) {
        HandOver();  // what was appended before goes first
    }
    std::swap(mFilling, bytes);
    HandOver();
    std::swap(mFilling, bytes);  // the caller gets the buffer the thread had, emptied
    const std::lock_guard<std::mutex> lock(mMutex);
    return !mFailed;
}

bool BackgroundSink::Restart() {
    if (!mThread.joinable()) {
        mFailed = !mOut.Restart();
        return !mFailed;
    }
    mFilling.Clear();
    std::unique_lock<std::mutex> lock(mMutex);
    WaitUntilIdle(lock);
    mFailed = !mOut.Restart();
    return !mFailed;
}

bool BackgroundSink::Finish() {
    if (!mFilling.empty()) {
        HandOver();
    }
    std::unique_lock<std::mutex> lock(mMutex);
    WaitUntilIdle(lock);
    return !mFailed;
}

// Waits for the thread to take the last buffer off, then gives it the filled one.
void BackgroundSink::HandOver() {
    std::unique_lock<std::mutex> lock(mMutex);
    WaitUntilIdle(lock);
    std::swap(mFilling, mPassing);
    mFilling.Clear();
    mBusy = true;
    lock.unlock();
    mChanged.notify_all();
}

void BackgroundSink::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
    mChanged.wait(lock, [this] { return !mBusy; });
    if (mThrown) {
        std::rethrow_exception(std::exchange(mThrown, nullptr));
    }
}

void BackgroundSink::Work() {
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
        mChanged.wait(lock, [this] { return mBusy || mStopping; });
        if (!mBusy) {
            return;
        }
        const bool failed = mFailed;
        lock.unlock();
        bool passed = true;
        std::exception_ptr thrown;
        if (!failed) {
            try {
                passed = mOut.Append(mPassing.data(), mPassing.size());
            } catch (...) {
                thrown = std::current_exception();
                passed = false;
            }
        }
        lock.lock();
        mFailed = mFailed || !passed;
        mThrown = thrown;
        mBusy = false;
        mChanged.notify_all();
    }
}
