#pragma once

#include <string>
#include <string_view>

#include "record/record_rule.h"

namespace tavolo {

// What a meter session hands to the screen or the headless logger: the steps
// of a frame that only show something, plus what the recording did. Every
// default does nothing. Called on the session's thread, inside the feeding of
// bytes, in frame order.
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
    virtual void readingHandled(RecordOutcome outcome) { (void)outcome; }
    // After every frame end, accepted or dropped.
    virtual void frameEnded(std::string_view frameText, bool accepted)
    {
        (void)frameText;
        (void)accepted;
    }
};

}  // namespace tavolo
