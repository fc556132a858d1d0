#include "decode/meter_decoder.h"

namespace tavolo {

MeterDecoder::MeterDecoder(DecoderHost& host)
    : m_host(host), m_decoder(m_panel, m_limits, m_reading, host)
{
    m_limits.setDecimalSymbol(m_host.decimalSymbol());
    m_limits.setCountClass("22", 22000, 22);
    m_limits.setLastUnitText("113");
    if (const std::optional<int> barMaximum = m_limits.applyCountClassRow())
        m_panel.barMaximum = *barMaximum;
}

std::string_view MeterDecoder::frameText() const
{
    return m_frameFromUsb ? std::string_view(m_usbFrameText) : m_assembler.frameText();
}

void MeterDecoder::frameEnd(bool accepted)
{
    m_frameFromUsb = false;
    m_panel.usbText.assign(m_assembler.frameText());
    if (accepted) {
        ++m_framesAccepted;
        m_decoder.LcdDisplayVexa(m_assembler.frameText());
    } else {
        ++m_framesDropped;
    }
    m_host.frameEnded(m_assembler.frameText(), accepted);
}

void MeterDecoder::VexaDATA(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    m_assembler.feedVexa(data, size, [this](bool accepted) { frameEnd(accepted); });
}

void MeterDecoder::HKorinRData(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    m_assembler.feedHKorin(data, size, [this](bool accepted) { frameEnd(accepted); });
}

void MeterDecoder::decodeFrameText(std::string_view frameText)
{
    m_usbFrameText.assign(frameText);
    m_frameFromUsb = true;
    ++m_framesAccepted;
    m_decoder.LcdDisplayVexa(m_usbFrameText);
}

void MeterDecoder::LcdDisplayVexa()
{
    // Copy: the decoder must not read a text that a host call could replace.
    const std::string text(frameText());
    m_decoder.LcdDisplayVexa(text);
}

}  // namespace tavolo
