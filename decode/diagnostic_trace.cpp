#include "decode/diagnostic_trace.h"

namespace tavolo {

void DiagnosticTrace::push(std::deque<std::string>& memo, std::string_view line)
{
    if (m_maxLines == 0)
        return;
    if (memo.size() == m_maxLines) {
        // Reuse the oldest line's storage for the newest.
        std::string recycled = std::move(memo.front());
        memo.pop_front();
        recycled.assign(line);
        memo.push_back(std::move(recycled));
        return;
    }
    memo.emplace_back(line);
}

void DiagnosticTrace::addFrame(std::string_view frameText, std::string_view frameBits)
{
    forEachTraceLine(frameText, frameBits, [this](std::string_view text, std::string_view bits) {
        push(m_memo2, text);
        push(m_memo1, bits);
    });
}

}  // namespace tavolo
