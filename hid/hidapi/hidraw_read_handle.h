#pragma once

// The reader's handle on a hidraw node. hidapi keeps its descriptor private and
// cannot end a read before its timeout, so the reader opens the node itself:
// each read() of the descriptor yields one whole input report, and the wait for
// it is a CancellableWait, so StopReader returns at once whatever the poll
// interval.
//
// Only read() and cancelRead() do real work; the queries answer from what was
// known at opening. The reader thread reads; cancelRead() may come from any thread.

#include <cstdint>
#include <memory>

#include "hid/cancellable_wait.h"
#include "hid/hid_platform.h"

namespace tavolo {

class HidrawReadHandle final : public HidHandle {
public:
    // Takes `fd`, opened O_RDONLY | O_NONBLOCK on a hidraw node (or anything that
    // gives one report per read(), such as one end of a SOCK_SEQPACKET socket
    // pair). `numberedReports` false: the device sends no report IDs, and read()
    // puts a 0 in front of each report, as the program's buffers expect. Null
    // (with the errno value in `error`, and `fd` closed) when no wake-up
    // descriptor can be made.
    static std::unique_ptr<HidrawReadHandle> adopt(int fd, bool numberedReports, const HidCaps& caps,
                                                   std::uint32_t deviceInstance, std::uint32_t& error);
    ~HidrawReadHandle() override;

    std::uint32_t deviceInstance() const override { return m_deviceInstance; }
    bool getAttributes(HidAttributes&) override { return false; }
    bool getCaps(HidCaps& caps) override;
    bool getProductString(std::span<char16_t>) override { return false; }
    bool getSerialNumberString(std::span<char16_t>) override { return false; }
    bool getIndexedString(int, std::span<char16_t>) override { return false; }
    bool setNumInputBuffers(std::uint32_t) override { return false; }  // hidraw's ring is fixed
    bool getNumInputBuffers(std::uint32_t& count) override;
    bool sendFeatureReport(std::span<const std::uint8_t>) override { return false; }

    // Report, Timeout, Cancelled, or Failed: ENODEV when the device is gone
    // (hang-up, or end of file), else the errno value of read().
    HidReadOutcome read(std::span<std::uint8_t> buffer, int timeoutMs) override;
    void cancelRead() override { m_wait.cancel(); }

private:
    HidrawReadHandle(int fd, bool numberedReports, const HidCaps& caps, std::uint32_t deviceInstance);

    int m_fd;
    bool m_numberedReports;
    HidCaps m_caps;
    std::uint32_t m_deviceInstance;
    CancellableWait m_wait;
};

// hidraw queues at most this many reports per open node (the kernel's
// HIDRAW_BUFFER_SIZE); the ring cannot be resized from user space.
inline constexpr std::uint32_t kHidrawRingReports = 64;

}  // namespace tavolo
