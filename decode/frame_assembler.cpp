#include "decode/frame_assembler.h"

#include <algorithm>

namespace tavolo {

bool FrameAssembler::endVexaFrame()
{
    append(frame::kEndByte);
    m_frameTextSize = std::min(m_lowSize, frame::kVexaTextLength);
    std::copy_n(m_low.begin(), m_frameTextSize, m_frameText.begin());
    const bool accepted = m_frameTextSize == frame::kVexaTextLength && m_frameText[0] == frame::kLeadChar &&
                          m_frameText[frame::kVexaTextLength - 1] == frame::kEndChar;
    m_lowSize = 0;
    m_pending = 0;
    return accepted;
}

bool FrameAssembler::endHKorinFrame()
{
    append(frame::kEndByte);
    // Characters 2..10 of FrameLow (fewer when the frame was short), then CR and LF.
    const std::size_t payload = m_lowSize > 1 ? std::min(m_lowSize - 1, frame::kHKorinPayload) : 0;
    std::copy_n(m_low.begin() + 1, payload, m_frameText.begin());
    m_frameText[payload] = frame::kEndChar;
    m_frameText[payload + 1] = frame::kLeadChar;
    m_frameTextSize = payload + 2;
    const bool accepted = m_lowSize >= frame::kHKorinTextLength && m_low[0] == frame::kLeadChar &&
                          m_low[frame::kHKorinTextLength - 1] == frame::kEndChar;
    m_lowSize = 0;
    m_pending = 0;
    return accepted;
}

}  // namespace tavolo
