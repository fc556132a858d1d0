#pragma once

#include <string>
#include <string_view>

#include "decode/reading.h"

namespace tavolo {

// What the reading decoder needs from the rest of the program, at fixed steps of
// every frame. The decoder owns the panel state, the Reading and the limit rules;
// everything that belongs to the chart, the recording, the USB link or the screen
// goes through this interface. All calls come on the decoder's thread (the GUI
// thread in the program), inside the decoding of one frame, in the order below.
class DecoderHost {
public:
    virtual ~DecoderHost() = default;

    // Step 1: the user locale's decimal separator, asked again before every frame.
    virtual std::string decimalSymbol() { return "."; }

    // Step 3: a frame is being decoded, so the USB link's idle watchdog restarts.
    virtual void resetUsbWatchdogTicks() {}

    // Step 4: the diagnostic trace of one frame. The program's memos show it as
    // twelve lines of frameText (Memo2) and the twelve growing prefixes of
    // frameBits (Memo1); keeping a bounded tail is the host's business.
    virtual void traceFrame(std::string_view frameText, std::string_view frameBits)
    {
        (void)frameText;
        (void)frameBits;
    }

    // Step 18: the chart's vertical range for the lit decimal point.
    virtual void setChartMaximum(double value) { (void)value; }
    virtual void setChartMinimum(double value) { (void)value; }

    // Step 20: the alarm's beep (at most once per frame).
    virtual void beep() {}

    // Step 22, on a mode change: re-select the chart series by the "Fill" choice,
    // then, when `restartChart` ("Continue Record" unchecked), the chart's "New".
    virtual void modeChanged(bool restartChart) { (void)restartChart; }

    // Step 24: advance the recall clock (when on) and give the reading's time stamp.
    virtual ClockTime advanceRecallClock() { return {}; }

    // Step 26: the record rule, reading the decoder's Reading.
    virtual void recordReading(const Reading& reading) { (void)reading; }

    // A conversion error stopped the frame at some step; `message` is the
    // conversion's error text. The earlier steps' effects stay; nothing is
    // judged or recorded. Called at most once per frame.
    virtual void conversionError(std::string_view message) { (void)message; }

    // After every frame end (every CR), accepted or dropped, once its decoding
    // (if any) has finished. For counters and headless output; the window
    // needs nothing here.
    virtual void frameEnded(std::string_view frameText, bool accepted)
    {
        (void)frameText;
        (void)accepted;
    }
};

}  // namespace tavolo
