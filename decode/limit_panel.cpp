#include "decode/limit_panel.h"

#include "decode/integer_text.h"
#include "decode/locale_number.h"

namespace tavolo {
namespace {

// Blanks as the edit's trim sees them: space and the control characters.
std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

// A limit text that cannot stand for a number even before conversion.
bool isComparableLimit(std::string_view text)
{
    return !text.empty() && text != "-" && text != "+" && text != "-+" && text != "+-";
}

constexpr std::string_view kOverloadDisplay = "22580";

}  // namespace

bool T1HIKeyPress(char key, std::string_view decimalSymbol)
{
    if (key == 8 || key == '-' || (key >= '0' && key <= '9'))
        return true;
    return !decimalSymbol.empty() && key == decimalSymbol.front();
}

bool T1HIChange(EditState& edit, std::string_view decimalSymbol)
{
    if (trimmed(edit.text) == "-") {
        edit = EditState{"-0", 1, 1};
        return true;
    }
    if (!strToFloat(edit.text, decimalSymbol)) {
        edit = EditState{"0", 0, 1};
        return true;
    }
    return false;
}

bool SetmaxKeyPress(char key)
{
    return key == 8 || key == '+' || key == '-' || (key >= '0' && key <= '9');
}

bool correctSeparator(std::string& text, std::string_view decimalSymbol)
{
    if (decimalSymbol.empty())
        return false;
    const char wrong = decimalSymbol == "." ? ',' : '.';
    const std::size_t at = text.find(wrong);
    if (at == std::string::npos)
        return false;
    // The symbol never equals the wrong separator, so this always changes the text.
    text.replace(at, 1, decimalSymbol);
    return true;
}

LimitPanel::LimitPanel() = default;

void LimitPanel::setCountClass(std::string_view countClass, std::int32_t fullScale, std::int32_t barFull)
{
    m_countClass = countClass;
    m_fullScale = fullScale;
    m_barFull = barFull;
}

std::optional<int> LimitPanel::applyCountClassRow()
{
    struct Row {
        std::string_view name;
        std::int32_t fullScale;
        std::int32_t barFull;
        float alarm;
        std::string_view maxText;
        std::string_view minText;
        int barMaximum;  // 0: leave the bar's maximum alone
    };
    static constexpr Row kRows[] = {
        {"6", 6000, 60, 6002.0F, "6000", "-6000", 0},
        {"34", 3400, 34, 3402.0F, "3400", "-3400", 0},
        {"2", 20000, 20, 20002.0F, "20000", "-20000", 20},
        {"22", 22000, 22, 22002.0F, "22000", "-22000", 22},
    };
    std::optional<int> barMaximum;
    for (const Row& row : kRows) {
        if (m_countClass != row.name)
            continue;
        m_fullScale = row.fullScale;
        m_barFull = row.barFull;
        m_setMaxLimit = row.alarm;
        m_setMinLimit = -row.alarm;
        // The row's own texts always convert, so no error can come back here.
        (void)setSetmaxText(row.maxText);
        (void)setSetMinText(row.minText);
        if (row.barMaximum != 0)
            barMaximum = row.barMaximum;
    }
    return barMaximum;
}

std::optional<std::string> LimitPanel::setSetmaxText(std::string_view text)
{
    if (text == m_setmaxText)
        return std::nullopt;
    m_setmaxText = text;
    return SetmaxExit();
}

std::optional<std::string> LimitPanel::setSetMinText(std::string_view text)
{
    if (text == m_setMinText)
        return std::nullopt;
    m_setMinText = text;
    return SetMinExit();
}

std::optional<std::string> LimitPanel::setSetMaxChecked(bool checked)
{
    m_setMaxB = checked;
    return SetmaxExit();
}

std::optional<std::string> LimitPanel::setSetMinChecked(bool checked)
{
    m_setMinB = checked;
    return SetMinExit();
}

std::optional<std::string> LimitPanel::SetmaxExit()
{
    return exitAlarmEdit(m_setmaxText, m_setMaxLimit);
}

std::optional<std::string> LimitPanel::SetMinExit()
{
    return exitAlarmEdit(m_setMinText, m_setMinLimit);
}

std::optional<std::string> LimitPanel::exitAlarmEdit(const std::string& text, float& limit)
{
    if (text.empty() || text == "-" || text == "+") {
        limit = 0;
        return std::nullopt;
    }
    const std::optional<std::int32_t> value = parseInteger(text, IntegerForm::Padded);
    if (!value)
        return invalidIntegerMessage(text);
    limit = static_cast<float>(*value);
    return std::nullopt;
}

bool LimitPanel::alarm(double numericValue) const
{
    if (numericValue > m_setMaxLimit && m_setMaxB)
        return true;
    return numericValue < m_setMinLimit && m_setMinB;
}

const EditState& LimitPanel::changeT1HI(std::string_view text, int selStart, int selLength)
{
    m_t1hi = EditState{std::string(text), selStart, selLength};
    T1HIChange(m_t1hi, m_decimalSymbol);
    return m_t1hi;
}

const EditState& LimitPanel::changeT1LO(std::string_view text, int selStart, int selLength)
{
    m_t1lo = EditState{std::string(text), selStart, selLength};
    T1HIChange(m_t1lo, m_decimalSymbol);
    return m_t1lo;
}

void LimitPanel::correctLimitSeparators()
{
    for (EditState* edit : {&m_t1hi, &m_t1lo}) {
        if (!correctSeparator(edit->text, m_decimalSymbol))
            continue;
        // Writing the text back puts the caret at the start, then the change rule runs.
        edit->selStart = 0;
        edit->selLength = 0;
        T1HIChange(*edit, m_decimalSymbol);
    }
}

std::string_view LimitPanel::judgeCaption() const
{
    switch (m_verdict) {
    case Verdict::Pass:
        return "Pass";
    case Verdict::Fail:
        return "Fail";
    case Verdict::None:
        break;
    }
    return {};
}

std::optional<Rgb> LimitPanel::verdictColour() const
{
    switch (m_verdict) {
    case Verdict::Pass:
        return kPassColour;
    case Verdict::Fail:
        return kFailColour;
    case Verdict::None:
        break;
    }
    return std::nullopt;
}

void LimitPanel::setVerdict(Verdict v, std::string& judgeText)
{
    m_verdict = v;
    judgeText = v == Verdict::Pass ? "Pass" : "Fail";
}

std::optional<std::string> LimitPanel::judge(const JudgeInput& input, std::string& judgeText)
{
    m_t1value = input.valueText;
    // The conversion's fallback value counts as "no number", as the meter's own
    // program treated it.
    constexpr double kNoNumber = -999999;
    const std::optional<double> shown = strToFloat(m_t1value, m_decimalSymbol);
    if (!shown || *shown == kNoNumber) {
        setVerdict(Verdict::Fail, judgeText);
        return std::nullopt;
    }
    const bool displayFails = input.frameDigits == kOverloadDisplay;
    const bool compare = !displayFails && !input.overload && !input.dutyOverload &&
                         isComparableLimit(m_t1hi.text) && isComparableLimit(m_t1lo.text);
    if (!compare) {
        if (displayFails)
            setVerdict(Verdict::Fail, judgeText);
        return std::nullopt;
    }
    const double v = *shown;
    const std::optional<double> lo = strToFloat(m_t1lo.text, m_decimalSymbol);
    if (!lo)
        return invalidFloatMessage(m_t1lo.text);
    if (*lo > v) {
        setVerdict(Verdict::Fail, judgeText);
        return std::nullopt;
    }
    const std::optional<double> hi = strToFloat(m_t1hi.text, m_decimalSymbol);
    if (!hi)
        return invalidFloatMessage(m_t1hi.text);
    setVerdict(v > *hi ? Verdict::Fail : Verdict::Pass, judgeText);
    return std::nullopt;
}

bool LimitPanel::modeChange(std::string_view unitText, int pointIndex, std::string_view acDcText)
{
    const bool changed =
        unitText != m_lastUnitText || pointIndex != m_lastPointIndex || acDcText != m_lastAcDcText;
    if (changed) {
        m_lastUnitText = unitText;
        m_lastAcDcText = acDcText;
    }
    m_lastPointIndex = pointIndex;
    return changed;
}

}  // namespace tavolo
