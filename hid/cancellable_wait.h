#pragma once

// A wait for input on one descriptor that another thread can end at once.
//
// The HID read handles (the hidraw backend's and the simulation's) wait through
// it: the device's descriptor and an eventfd are polled together, so stopping a
// reader never has to sit out its poll interval, which may be up to 10 s.
//
// Linux (poll, eventfd). Lifetime: one per read handle. wait() is for the one
// thread that reads; cancel() for any thread at any time. A cancel that finds no
// wait in progress is kept and ends the next wait at once.

namespace tavolo {

class CancellableWait {
public:
    enum class Result {
        Readable,   // the descriptor has input (perhaps with a hang-up: read what is left first)
        HungUp,     // hang-up or error and nothing to read: the device is gone
        Cancelled,  // cancel() ended the wait; the cancel is used up
        Timeout,
        Failed,     // poll itself failed; `error` holds its errno value
    };

    CancellableWait();
    ~CancellableWait();
    CancellableWait(const CancellableWait&) = delete;
    CancellableWait& operator=(const CancellableWait&) = delete;

    // False when no eventfd could be made (`creationError` says why): such a
    // wait cannot be used.
    bool valid() const { return m_wakeFd >= 0; }
    int creationError() const { return m_creationError; }

    // Waits at most `timeoutMs` milliseconds (0: only looks) for `fd` to be
    // readable or hung up, or for a cancel. A pending cancel wins over input.
    Result wait(int fd, int timeoutMs, int& error);

    // Any thread.
    void cancel();

private:
    int m_wakeFd = -1;
    int m_creationError = 0;
};

}  // namespace tavolo
