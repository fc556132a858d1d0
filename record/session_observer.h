#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decode/reading.h"

#include "record/record_rule.h"

namespace tavolo {

// One decoded reading as the record rule handled it.
struct HandledReading {
    const Reading& reading;
    RecordOutcome outcome;
    // When the frame was received: milliseconds since 1970-01-01 UTC.
    std::int64_t instantMs = 0;
    // The table row it became (outcome Recorded), else empty.
    std::optional<std::size_t> row;
};

// What a meter session hands to the screen, the headless logger, the session
// store or the live feed: the steps of a frame that only show something, plus
// what the recording did. Every default does nothing. Called on the session's
// thread, inside the feeding of bytes, in frame order.
class SessionObserver {
public:
    virtual ~SessionObserver() = default;

    // The user locale's decimal separator, asked before every frame.
    virtual std::string decimalSymbol() { return "."; }
    // A frame is being decoded: the USB link's idle watchdog starts again.
    virtual void resetUsbWatchdogTicks() {}
    // Diagnostic trace of one frame (see DecoderHost::traceFrame).
    virtual void traceFrame(std::string_view frameText, std::string_view frameBits)
    {
        (void)frameText;
        (void)frameBits;
    }
    // The limit alarm: at most once per frame.
    virtual void beep() {}
    // A conversion error stopped a frame; show `message` to the user.
    virtual void conversionError(std::string_view message) { (void)message; }
    // Step 22 saw a mode change: the chart's series was chosen again by "Fill"
    // and, when `restartChart`, a new chart was begun (the "New" action).
    virtual void modeChanged(bool restartChart) { (void)restartChart; }
    // The record rule ran for a decoded reading; on Recorded the table's last
    // row is new, and the chart and page label may have changed.
    virtual void readingHandled(const HandledReading& handled) { (void)handled; }
    // After every frame end, accepted or dropped.
    virtual void frameEnded(std::string_view frameText, bool accepted)
    {
        (void)frameText;
        (void)accepted;
    }
};

}  // namespace tavolo
