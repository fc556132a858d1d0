#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "decode/decoder_host.h"

namespace tavolo {

// The decoder's host as the window provides it: the screen-only steps of a
// frame (locale, beep, conversion errors, diagnostic trace, USB watchdog) go to
// callbacks the window sets; the chart and recording steps go to the
// recording callbacks, which are empty until the recording side sets them.
// Lives as long as the window; GUI thread only.
class WindowDecoderHost final : public DecoderHost {
public:
    std::function<std::string()> onDecimalSymbol;
    std::function<void()> onResetUsbWatchdog;
    std::function<void(std::string_view frameText, std::string_view frameBits)> onTrace;
    std::function<void()> onBeep;
    std::function<void(std::string_view message)> onConversionError;

    // Recording side (chart range, mode change, recall clock, record rule).
    std::function<void(double)> onChartMaximum;
    std::function<void(double)> onChartMinimum;
    std::function<void(bool restartChart)> onModeChanged;
    std::function<ClockTime()> onAdvanceRecallClock;
    std::function<void(const Reading&)> onRecordReading;

    std::string decimalSymbol() override { return onDecimalSymbol ? onDecimalSymbol() : std::string("."); }
    void resetUsbWatchdogTicks() override
    {
        if (onResetUsbWatchdog)
            onResetUsbWatchdog();
    }
    void traceFrame(std::string_view frameText, std::string_view frameBits) override
    {
        if (onTrace)
            onTrace(frameText, frameBits);
    }
    void setChartMaximum(double value) override
    {
        if (onChartMaximum)
            onChartMaximum(value);
    }
    void setChartMinimum(double value) override
    {
        if (onChartMinimum)
            onChartMinimum(value);
    }
    void beep() override
    {
        if (onBeep)
            onBeep();
    }
    void modeChanged(bool restartChart) override
    {
        if (onModeChanged)
            onModeChanged(restartChart);
    }
    ClockTime advanceRecallClock() override
    {
        return onAdvanceRecallClock ? onAdvanceRecallClock() : ClockTime{};
    }
    void recordReading(const Reading& reading) override
    {
        if (onRecordReading)
            onRecordReading(reading);
    }
    void conversionError(std::string_view message) override
    {
        if (onConversionError)
            onConversionError(message);
    }
};

}  // namespace tavolo
