#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "decode/frame_layout.h"

namespace tavolo {

// Turns the meter's byte chunks into frame texts. A frame may be split over any
// number of chunks and a chunk may hold any number of frames; the pending part
// (FrameLow) survives between calls and across connections.
//
// FrameLow keeps only its first 14 characters: nothing beyond them can reach a
// frame text, so a line that never sends a CR costs no memory and changes no
// result. The count of every byte since the last frame end is still kept.
//
// Not thread-safe: one thread feeds it (the GUI thread in the program).
class FrameAssembler {
public:
    // Default profile (VexaDATA): at each CR the frame text is the first 14
    // characters of FrameLow; accepted when it starts with "A" and ends with "D".
    // `onFrameEnd(bool accepted)` runs at every CR, synchronously, after
    // frameText() is set and before the next byte is looked at.
    template <class OnFrameEnd>
    void feedVexa(const std::uint8_t* data, std::size_t size, OnFrameEnd&& onFrameEnd);

    // The 9-payload profile (HKorinRData): the frame text is characters 2..10
    // of FrameLow followed by "DA"; accepted when FrameLow's character 1 is "A"
    // and its character 11 is "D".
    template <class OnFrameEnd>
    void feedHKorin(const std::uint8_t* data, std::size_t size, OnFrameEnd&& onFrameEnd);

    // The last completed frame text (accepted or not); empty before the first CR.
    std::string_view frameText() const { return {m_frameText.data(), m_frameTextSize}; }
    // The kept start of the frame being assembled.
    std::string_view frameLow() const { return {m_low.data(), m_lowSize}; }
    // Bytes received since the last frame end, including those not kept.
    std::uint64_t pendingBytes() const { return m_pending; }

    // Forgets the frame being assembled. Called when the link is (re)opened: the
    // start of a frame from before the gap must not join the new bytes, or an
    // "A ... D" of 14 characters could be accepted with digits of two readings.
    void discardPending()
    {
        m_lowSize = 0;
        m_pending = 0;
    }

private:
    void append(std::uint8_t byte)
    {
        if (m_lowSize < m_low.size())
            m_low[m_lowSize++] = frame::lowHexDigit(byte);
        ++m_pending;
    }
    bool endVexaFrame();
    bool endHKorinFrame();

    std::array<char, frame::kKeptChars> m_low{};
    std::size_t m_lowSize = 0;
    std::uint64_t m_pending = 0;
    std::array<char, frame::kVexaTextLength> m_frameText{};
    std::size_t m_frameTextSize = 0;
};

template <class OnFrameEnd>
void FrameAssembler::feedVexa(const std::uint8_t* data, std::size_t size, OnFrameEnd&& onFrameEnd)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != frame::kEndByte) {
            append(data[i]);
            continue;
        }
        onFrameEnd(endVexaFrame());
    }
}

template <class OnFrameEnd>
void FrameAssembler::feedHKorin(const std::uint8_t* data, std::size_t size, OnFrameEnd&& onFrameEnd)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != frame::kEndByte) {
            append(data[i]);
            continue;
        }
        onFrameEnd(endHKorinFrame());
    }
}

}  // namespace tavolo
