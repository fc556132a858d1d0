#include "decode/reading_decoder.h"

#include "decode/function_table.h"
#include "decode/integer_text.h"
#include "decode/lcd_panel_rules.h"

namespace tavolo {
namespace {

using C = LcdControl;

// The character at a 1-based position, or empty when the text is shorter.
std::string_view charAt(std::string_view text, std::size_t pos)
{
    return pos >= 1 && pos <= text.size() ? text.substr(pos - 1, 1) : std::string_view{};
}

// A position's value: "A".."F" are 10..15, anything else is read as a decimal
// number. Nothing when it does not convert (or the position is missing).
std::optional<int> positionValue(std::string_view ch)
{
    if (ch.size() == 1 && ch[0] >= 'A' && ch[0] <= 'F')
        return ch[0] - 'A' + 10;
    return parseInteger(ch, IntegerForm::Padded);
}

struct PointScale {
    double factor;
    double chartRange;
};
constexpr std::array<PointScale, 4> kPointScales = {{{0.0001, 22}, {0.001, 22}, {0.01, 220}, {0.1, 2200}}};

}  // namespace

ReadingDecoder::ReadingDecoder(PanelState& panel, LimitPanel& limits, Reading& reading, DecoderHost& host)
    : m_panel(panel), m_limits(limits), m_reading(reading), m_host(host)
{
}

bool ReadingDecoder::fail(std::string message)
{
    m_host.conversionError(message);
    m_outcome.error = std::move(message);
    return false;
}

const FrameOutcome& ReadingDecoder::LcdDisplayVexa(std::string_view frameText)
{
    m_outcome = FrameOutcome{};
    m_digits = {};
    m_sign = {};
    m_separatorAt = {};
    m_rangeCode = 0;
    m_functionPointIndex = 0;

    // 1-2: locale, then the limit texts follow its separator.
    m_limits.setDecimalSymbol(m_host.decimalSymbol());
    m_limits.correctLimitSeparators();
    // 3
    m_host.resetUsbWatchdogTicks();
    // 4
    if (!buildFrameBits(frameText))
        return m_outcome;
    // 5
    m_reading.acDcText.clear();
    m_reading.rangeText.clear();
    m_reading.unitText.clear();
    resetPanel(m_panel);
    // 6
    const bool dutyOverload = flag(frame::kBitDutyOverload);
    if (dutyOverload) {
        m_digits = kOverloadDigits;
    } else {
        for (std::size_t i = 0; i < frame::kDigitCount; ++i)
            m_digits[i] = charAt(frameText, frame::kPosFirstDigit + i);
    }
    // 7
    m_panel.usbText.assign(frameText);
    show(C::LCDsend);
    // 8-9
    if (!applyFunction(frameText) || !applyOptions(frameText))
        return m_outcome;
    // 10
    m_panel.setVisible(C::LcdFH, flag(frame::kBitMinus));
    m_sign = flag(frame::kBitMinus) ? "-" : "";
    // 11
    m_panel.setVisible(C::LCDBATT, flag(frame::kBitBattery));
    // 12
    const bool overload = flag(frame::kBitOverload);
    if (overload) {
        for (LcdControl c : kDigitLabels)
            show(c);
        m_digits = kOverloadDigits;
    } else {
        blankLeadingZeros(m_panel, m_digits);
    }
    // 13
    m_panel.setVisible(C::LCDREL, flag(frame::kBitRelative));
    // 14
    if (dutyOverload) {
        hide(C::LcdAuto);
        show(C::LcdManu);
        m_reading.rangeText = "MANU";
        m_reading.unitText = "%";
        m_reading.acDcText = "Duty";
        show(C::LCDBF);
        hide(C::LcdV);
        hide(C::LCDHz);
        hide(C::LcdP0);
        hide(C::LcdP1);
        hide(C::LcdP2);
        show(C::LcdP3);
    }
    // 15
    m_panel.setVisible(C::LcdDc1, flag(frame::kBitDc));
    m_panel.setVisible(C::LcdAC, flag(frame::kBitAc));
    m_panel.setVisible(C::LcdAuto, flag(frame::kBitAuto));
    if (flag(frame::kBitHold))
        show(C::LCDHold);
    // 16
    const bool automatic = lit(C::LcdAuto);
    m_panel.setVisible(C::LcdManu, !automatic);
    m_reading.rangeText = automatic ? "AUTO" : "MANU";
    // 17
    if (!computeNumericValue())
        return m_outcome;
    // 18-19
    applyPointsAndScale();
    buildValueText();
    // 20
    if (m_limits.alarm(m_reading.numericValue))
        m_host.beep();
    // 21
    m_outcome.pointIndex = pointIndexNow();
    // 22
    m_outcome.modeChange = m_limits.modeChange(m_reading.unitText, m_outcome.pointIndex, m_reading.acDcText);
    if (m_outcome.modeChange)
        m_host.modeChanged(!m_limits.multirange());
    // 23
    for (std::size_t i = 0; i < frame::kDigitCount; ++i)
        m_panel.digitCaptions[i].assign(m_digits[i]);
    // 24
    m_recordTime = m_host.advanceRecallClock();
    // 25
    const JudgeInput judgeInput{frameText.substr(std::min(frameText.size(), frame::kPosFirstDigit - 1),
                                                 frame::kDigitCount),
                                m_reading.valueText, overload, dutyOverload};
    if (std::optional<std::string> error = m_limits.judge(judgeInput, m_reading.judgeText)) {
        fail(std::move(*error));
        return m_outcome;
    }
    // 26
    m_host.recordReading(m_reading);
    // 27-28
    flipFrameIndicator(m_panel);
    m_panel.barPosition = barPosition(m_digits, m_limits.barFull());
    m_outcome.completed = true;
    return m_outcome;
}

bool ReadingDecoder::buildFrameBits(std::string_view frameText)
{
    // A missing position (a short frame) repeats the bits of the one before.
    std::array<char, 4> bits = {'0', '0', '0', '0'};
    std::size_t built = 0;
    for (std::size_t pos = frame::kBitsFirstPos; pos <= frame::kBitsLastPos; ++pos) {
        if (pos <= frameText.size()) {
            const std::optional<int> value = positionValue(charAt(frameText, pos));
            if (!value || *value < 0 || *value > 15) {
                m_host.traceFrame(frameText, {m_bits.data(), built});
                return fail(invalidIntegerMessage(charAt(frameText, pos)));
            }
            for (int b = 0; b < 4; ++b)
                bits[static_cast<std::size_t>(b)] = (*value >> (3 - b)) & 1 ? '1' : '0';
        }
        for (char c : bits)
            m_bits[built++] = c;
    }
    m_host.traceFrame(frameText, {m_bits.data(), built});
    return true;
}

void ReadingDecoder::applyRange(const FunctionRow& function, int range)
{
    const RangeRow* row = function.range(range);
    if (!row)
        return;
    show(kPoints[row->point]);
    if (row->prefix)
        show(*row->prefix);
    setUnit(function, row->unitText);
}

void ReadingDecoder::setUnit(const FunctionRow& function, std::string_view unitText)
{
    m_reading.unitText = unitText;
    if (!function.acDcText.empty())
        m_reading.acDcText = function.acDcText;
}

void ReadingDecoder::applyDuty(const DutyRow& duty)
{
    show(C::LCDBF);
    for (const std::optional<LcdControl>& c : duty.hidden)
        if (c)
            hide(*c);
    m_reading.unitText = "%";
    m_reading.acDcText = duty.acDcText;
    hide(C::LcdP0);
    hide(C::LcdP1);
    hide(C::LcdP2);
    m_panel.setVisible(C::LcdP3, duty.point3);
}

bool ReadingDecoder::applyFunction(std::string_view frameText)
{
    const std::string_view functionChar = charAt(frameText, frame::kPosFunction);
    const std::optional<int> function = positionValue(functionChar);
    if (!function)
        return fail(invalidIntegerMessage(functionChar));
    const std::string_view rangeChar = charAt(frameText, frame::kPosRange);
    const std::optional<int> range = parseInteger(rangeChar, IntegerForm::Padded);
    if (!range)
        return fail(invalidIntegerMessage(rangeChar));
    m_rangeCode = *range;

    const FunctionRow& row = functionRow(static_cast<unsigned>(*function));
    for (const std::optional<LcdControl>& c : row.shown)
        if (c)
            show(*c);
    if (!row.unitText.empty())
        setUnit(row, row.unitText);
    else
        applyRange(row, m_rangeCode);
    m_functionPointIndex = row.pointIndex;
    if (row.duty && flag(frame::kBitDuty))
        applyDuty(*row.duty);
    return true;
}

bool ReadingDecoder::applyOptions(std::string_view frameText)
{
    const std::string_view optionChar = charAt(frameText, frame::kPosOption3);
    const std::optional<int> option = positionValue(optionChar);
    if (!option)
        return fail(invalidIntegerMessage(optionChar));
    namespace o3 = frame::option3;
    switch (*option) {
    case o3::kAuto:
        show(C::LcdAuto);
        break;
    case o3::kAc:
        m_reading.acDcText = "AC";
        break;
    case o3::kAc | o3::kAuto:
        show(C::LcdAuto);
        show(C::LcdAC);
        m_reading.acDcText = "AC";
        break;
    case o3::kAcFrequency:
        hide(C::LcdV);
        hide(C::LCDA);
        show(C::LCDHz);
        m_reading.acDcText = "Frequency";
        m_reading.unitText = "Hz";
        hide(C::LCDu);
        hide(C::Lcdm);
        hide(C::LcdP0);
        hide(C::LcdP1);
        show(C::LcdP2);
        break;
    case o3::kDc:
        show(C::LcdDc1);
        m_reading.acDcText = "DC";
        break;
    case o3::kDcDuty:
        show(C::LcdDc1);
        hide(C::LcdP0);
        hide(C::LcdP1);
        hide(C::LcdP2);
        show(C::LCDBF);
        hide(C::LcdV);
        m_reading.unitText = "%";
        m_reading.acDcText = "duty";
        hide(C::LCDA);
        hide(C::LCDu);
        hide(C::Lcdm);
        break;
    case o3::kDc | o3::kAuto:
        show(C::LcdAuto);
        show(C::LcdDc1);
        m_reading.acDcText = "DC";
        break;
    case o3::kDcFrequency:
        show(C::LcdDc1);
        show(C::LcdAuto);
        hide(C::LcdV);
        show(C::LCDHz);
        for (LcdControl p : kPoints)
            hide(p);
        hide(C::Lcdm);
        hide(C::LCDA);
        hide(C::LCDu);
        applyRange(functionRow(frame::function::kFrequency), m_rangeCode);
        break;
    default:  // 0, 1, 3, 5, 12..15: nothing
        break;
    }
    return true;
}

bool ReadingDecoder::computeNumericValue()
{
    const std::string_view signAndOverload[] = {m_sign, m_digits[1], m_digits[2]};
    std::array<char, 16> text{};
    std::size_t n = 0;
    auto add = [&](std::string_view part) {
        for (char c : part)
            if (n < text.size())
                text[n++] = c;
    };
    for (std::string_view part : signAndOverload)
        add(part);
    const std::string_view head(text.data(), n);
    if (head == "0@") {
        m_reading.numericValue = m_limits.fullScale();
        return true;
    }
    if (head == "-0@") {
        m_reading.numericValue = -m_limits.fullScale();
        return true;
    }
    n = 0;
    add(m_sign);
    for (std::string_view d : m_digits)
        add(d);
    const std::string_view number(text.data(), n);
    const std::optional<std::int32_t> value = parseInteger(number, IntegerForm::Padded);
    if (!value)
        return fail(invalidIntegerMessage(number));
    m_reading.numericValue = *value;
    return true;
}

void ReadingDecoder::applyPointsAndScale()
{
    for (std::size_t i = 0; i < kPoints.size(); ++i) {
        if (!lit(kPoints[i]))
            continue;
        m_separatorAt[i] = true;
        m_reading.chartValue = m_reading.numericValue * kPointScales[i].factor;
        m_host.setChartMaximum(kPointScales[i].chartRange);
        m_host.setChartMinimum(-kPointScales[i].chartRange);
    }
    if (m_digits[2] == "@")
        m_reading.chartValue = m_reading.numericValue;
}

void ReadingDecoder::buildValueText()
{
    std::string& v = m_reading.valueText;
    const std::string& symbol = m_limits.decimalSymbol();
    auto separator = [&](std::size_t i) {
        if (m_separatorAt[i])
            v += symbol;
    };
    v.assign(m_sign);
    v += m_digits[0];
    separator(0);
    v += m_digits[1];
    separator(1);
    if (m_digits[2] == "@") {
        v += 'L';
    } else {
        v += m_digits[2];
        separator(2);
        v += m_digits[3];
    }
    separator(3);
    v += m_digits[4];
}

int ReadingDecoder::pointIndexNow() const
{
    int index = m_functionPointIndex;
    for (std::size_t i = 0; i < kPoints.size(); ++i)
        if (lit(kPoints[i]))
            index = static_cast<int>(i);
    return index;
}

}  // namespace tavolo
