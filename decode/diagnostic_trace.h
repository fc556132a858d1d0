#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace tavolo {

// The trace lines of one frame, in order: `line(memo2Line, memo1Line)` gets the
// frame text beside the frame bits built so far, 4, 8, ... 48 characters. A
// frame whose decoding stopped while building its bits has fewer lines.
template <typename Line>
void forEachTraceLine(std::string_view frameText, std::string_view frameBits, Line&& line)
{
    for (std::size_t n = 4; n <= frameBits.size(); n += 4)
        line(frameText, frameBits.substr(0, n));
}

// The two diagnostic memos of the decoder: for every frame, twelve lines of
// the frame text (Memo2) and the twelve growing prefixes of the frame bits,
// 4, 8, ... 48 characters (Memo1). Only the newest `maxLines` lines of each
// are kept, so hours of logging cost no memory. Feed it from
// DecoderHost::traceFrame. One thread only.
class DiagnosticTrace {
public:
    static constexpr std::size_t kLinesPerFrame = 12;

    explicit DiagnosticTrace(std::size_t maxLines = 20 * kLinesPerFrame) : m_maxLines(maxLines) {}

    // A frame whose decoding stopped while building its bits adds fewer lines.
    void addFrame(std::string_view frameText, std::string_view frameBits);

    const std::deque<std::string>& memo1() const { return m_memo1; }
    const std::deque<std::string>& memo2() const { return m_memo2; }

private:
    void push(std::deque<std::string>& memo, std::string_view line);

    std::size_t m_maxLines;
    std::deque<std::string> m_memo1;
    std::deque<std::string> m_memo2;
};

}  // namespace tavolo
