#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "record/session_observer.h"

namespace tavolo {

// The meter session's observer as the window provides it: each step that only
// shows something goes to a callback the window sets. The decimal symbol is
// given at construction because the decoder asks for it while it is built.
// Lives as long as the session; GUI thread only.
class WindowSessionObserver final : public SessionObserver {
public:
    explicit WindowSessionObserver(std::function<std::string()> decimalSymbol)
        : m_decimalSymbol(std::move(decimalSymbol))
    {
    }

    std::function<void()> onResetUsbWatchdog;
    std::function<void(std::string_view frameText, std::string_view frameBits)> onTrace;
    std::function<void()> onBeep;
    std::function<void(std::string_view message)> onConversionError;
    std::function<void(bool restartChart)> onModeChanged;
    std::function<void(RecordOutcome)> onReadingHandled;

    std::string decimalSymbol() override { return m_decimalSymbol ? m_decimalSymbol() : std::string("."); }
    void resetUsbWatchdogTicks() override { call(onResetUsbWatchdog); }
    void traceFrame(std::string_view frameText, std::string_view frameBits) override
    {
        call(onTrace, frameText, frameBits);
    }
    void beep() override { call(onBeep); }
    void conversionError(std::string_view message) override { call(onConversionError, message); }
    void modeChanged(bool restartChart) override { call(onModeChanged, restartChart); }
    void readingHandled(const HandledReading& handled) override { call(onReadingHandled, handled.outcome); }

private:
    template <typename F, typename... Args>
    static void call(const F& f, Args... args)
    {
        if (f)
            f(args...);
    }

    std::function<std::string()> m_decimalSymbol;
};

}  // namespace tavolo
