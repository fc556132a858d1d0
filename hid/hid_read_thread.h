#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_platform.h"

namespace tavolo {

class TJvHidDevice;
class HidHandOverHub;

// The reader of one claimed device: reads its input reports on a thread of its own
// and hands each one to the GUI thread through the hub, waiting until the
// device's OnReport has run. It owns its read handle and report buffer and never
// touches the device: the device is only passed to the handlers, on the GUI thread.
//
// Lifetime: built and started by TJvHidDevice::StartReader, ended and destroyed by
// TJvHidDevice::StopReader (through HidHandOverHub::stopReader). GUI thread for
// everything but the thread body; the fields below may be read on the GUI thread
// while a hand-over of this reader is being served.
class TJvHidDeviceReadThread {
public:
    // `deviceInstance` is the claimed interface's identity: a node at `path` that
    // now belongs to another device is never read (0: not checked).
    TJvHidDeviceReadThread(TJvHidDevice& owner, std::shared_ptr<HidPlatform> platform, std::string path,
                           std::uint32_t deviceInstance, std::uint16_t inputReportByteLength, int pollIntervalMs,
                           std::shared_ptr<HidHandOverHub> hub);
    ~TJvHidDeviceReadThread();  // asks the thread to end and joins it

    TJvHidDeviceReadThread(const TJvHidDeviceReadThread&) = delete;
    TJvHidDeviceReadThread& operator=(const TJvHidDeviceReadThread&) = delete;

    TJvHidDevice& OwnerDevice() const { return m_owner; }

    // The last completed report: ReportBuffer[0] is the report ID; BytesRead counts it.
    const std::vector<std::uint8_t>& ReportBuffer() const { return m_reportBuffer; }
    std::uint32_t BytesRead() const { return m_bytesRead; }
    // errno value of the last read that could not be started or done.
    std::uint32_t LastError() const { return m_lastError; }
    // The driver's input ring size of the read handle (0 while none is open).
    std::uint32_t ReadBufferCount() const { return m_readBufferCount; }

    // How long one wait for a report lasts, so how fast a stop request is noticed.
    // Any thread.
    void setPollInterval(int milliseconds) { m_pollInterval.store(milliseconds); }

    void start();
    // Any thread; does not wait.
    void requestStop();
    bool stopRequested() const { return m_stop.load(); }

private:
    friend class HidHandOverHub;
    enum class HandOver { None, Report, Error };
    enum class HandOverState { Idle, Parked, Serving };

    void run();
    bool StartRead();  // opens the read handle when needed; false: LastError tells why (ENODEV: not the claimed device)
    void closeReadHandle();
    void pause(int milliseconds);  // returns early on a stop request
    void serveOnGuiThread();       // runs the device's handler for the parked hand-over

    TJvHidDevice& m_owner;
    std::shared_ptr<HidPlatform> m_platform;
    std::string m_path;
    std::uint32_t m_deviceInstance;
    std::shared_ptr<HidHandOverHub> m_hub;

    std::vector<std::uint8_t> m_reportBuffer;
    std::uint32_t m_bytesRead = 0;
    std::uint32_t m_lastError = 0;
    std::uint32_t m_readBufferCount = 0;

    std::mutex m_handleMutex;  // guards the handle pointer against requestStop's cancelRead
    std::unique_ptr<HidHandle> m_readHandle;

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_pollInterval;
    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;

    // Guarded by the hub's mutex.
    HandOver m_handOver = HandOver::None;
    HandOverState m_handOverState = HandOverState::Idle;
    bool m_ended = false;

    std::thread m_thread;
};

}  // namespace tavolo
