#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "decode/decoder_host.h"
#include "decode/frame_assembler.h"
#include "decode/limit_panel.h"
#include "decode/panel_state.h"
#include "decode/reading.h"
#include "decode/reading_decoder.h"

namespace tavolo {

// The meter data decoding as the rest of the program uses it: frame assembly,
// the reading decoder, the LCD panel state, the limit panel and the Reading,
// in one object.
//
// Construction runs the start-up part that belongs here: count class "22"
// (full scale 22000, bar value 22, alarm limits 22002/-22002, bar maximum 22),
// the mode memory's "113" (so the first frame is a mode change) and the
// decimal symbol asked from the host.
//
// Thread rule: one thread only, the one that feeds it (the GUI thread in the
// program; the logger's own thread in the headless tools). Every host call
// happens inside VexaDATA, HKorinRData or decodeFrameText on that thread.
// `host` must outlive this object.
class MeterDecoder {
public:
    explicit MeterDecoder(DecoderHost& host);
    MeterDecoder(const MeterDecoder&) = delete;
    MeterDecoder& operator=(const MeterDecoder&) = delete;

    // Receive handlers: consume all `size` bytes at `data` (may be null when
    // size is 0), decoding every accepted frame before the next byte.
    // VexaDATA: default profile (12 payload bytes); HKorinRData: 9 payload bytes.
    void VexaDATA(const std::uint8_t* data, std::size_t size);
    void HKorinRData(const std::uint8_t* data, std::size_t size);

    // The USB link's road: sets FrameText to `frameText` and decodes it.
    void decodeFrameText(std::string_view frameText);

    // Decodes the current FrameText again (LcdDisplayVexa as the window calls it).
    void LcdDisplayVexa();

    // --- state for views and tools
    const PanelState& panel() const { return m_panel; }
    PanelState& panel() { return m_panel; }  // the USB link shows/hides LCDsend
    const LimitPanel& limits() const { return m_limits; }
    LimitPanel& limits() { return m_limits; }  // the window forwards edits here
    const Reading& reading() const { return m_reading; }
    const FrameOutcome& lastOutcome() const { return m_decoder.lastOutcome(); }
    const ClockTime& recordTime() const { return m_decoder.recordTime(); }

    // FrameText: the last completed frame text (accepted or not, or the USB
    // link's); FrameLow: the kept start of the frame being assembled.
    std::string_view frameText() const;
    std::string_view frameLow() const { return m_assembler.frameLow(); }
    // Drops the partly assembled frame; the link calls it when a port is opened
    // or a lost device is back (see FrameAssembler::discardPending).
    void discardPendingFrame() { m_assembler.discardPending(); }
    // Frames ended by a CR since construction: decoded, and dropped by the assembler.
    std::uint64_t framesAccepted() const { return m_framesAccepted; }
    std::uint64_t framesDropped() const { return m_framesDropped; }

private:
    void frameEnd(bool accepted);

    DecoderHost& m_host;
    FrameAssembler m_assembler;
    PanelState m_panel;
    LimitPanel m_limits;
    Reading m_reading;
    ReadingDecoder m_decoder;
    std::string m_usbFrameText;   // FrameText when the USB link set it last
    bool m_frameFromUsb = false;
    std::uint64_t m_framesAccepted = 0;
    std::uint64_t m_framesDropped = 0;
};

}  // namespace tavolo
