#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavolo {

// A colour of the judgement display.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kPassColour{0, 128, 0};
inline constexpr Rgb kFailColour{255, 0, 0};

enum class Verdict : std::uint8_t { None, Pass, Fail };

// The text of an edit and its selection, in characters (8-bit text).
struct EditState {
    std::string text;
    int selStart = 0;
    int selLength = 0;
    friend bool operator==(const EditState&, const EditState&) = default;
};

// Key filter of T1HI and T1LO: backspace (8), "-", "0".."9" or the first
// character of the decimal symbol pass; every other key is discarded.
bool T1HIKeyPress(char key, std::string_view decimalSymbol);

// Change rule of T1HI and T1LO, run after every change of the text. A lone
// "-" (blanks aside) becomes "-0" with the 0 selected; a text that is no number
// becomes "0", selected. Returns true when it rewrote the edit.
bool T1HIChange(EditState& edit, std::string_view decimalSymbol);

// Key filter of Setmax and SetMin: "0".."9", backspace, "+" and "-" pass.
bool SetmaxKeyPress(char key);

// Replaces the first occurrence of the wrong separator ("," under ".", "."
// under anything else) by the decimal symbol. Returns true when it changed the
// text. An empty symbol corrects nothing.
bool correctSeparator(std::string& text, std::string_view decimalSymbol);

// What the judgement needs from a decoded frame.
struct JudgeInput {
    std::string_view frameDigits;  // frame text positions 3..7, as received
    std::string_view valueText;    // the Reading's ValueText
    bool overload = false;
    bool dutyOverload = false;
};

// The limit panel and the rules that compare a reading with numbers: count
// class, alarm limits, Hi/Lo limit edits, the Pass/Fail judgement and the
// memory of the last measuring mode. The window forwards key presses and text
// changes here and draws what it reads back; nothing here knows about Qt.
//
// Functions returning std::optional<std::string> give the conversion error
// text when a number did not convert (the caller shows it), nothing otherwise.
// One thread only (the decoder's).
class LimitPanel {
public:
    LimitPanel();

    // --- decimal symbol (DecimalSymbol), refreshed by the decoder every frame.
    // An empty symbol (a failed locale query) counts as ".": without it every
    // value would lose its decimal point and every limit correction would
    // delete the user's point ("1.5" would become "15").
    void setDecimalSymbol(std::string_view symbol) { m_decimalSymbol = symbol.empty() ? "." : symbol; }
    const std::string& decimalSymbol() const { return m_decimalSymbol; }

    // --- count class
    // Sets CountClass, FullScale and BarFull without applying a row (start-up).
    void setCountClass(std::string_view countClass, std::int32_t fullScale, std::int32_t barFull);
    // Applies the row of the current CountClass ("6", "34", "2", "22"): full
    // scale, bar value, alarm limits, then the alarm edit texts (which fire
    // their change handler when they differ). Returns the bar graph maximum the
    // row sets ("2": 20, "22": 22), or nothing when it leaves the bar alone.
    std::optional<int> applyCountClassRow();
    const std::string& countClass() const { return m_countClass; }
    std::int32_t fullScale() const { return m_fullScale; }
    std::int32_t barFull() const { return m_barFull; }

    // --- alarm limits (counts)
    float setMaxLimit() const { return m_setMaxLimit; }
    float setMinLimit() const { return m_setMinLimit; }
    const std::string& setmaxText() const { return m_setmaxText; }
    const std::string& setMinText() const { return m_setMinText; }
    bool setMaxChecked() const { return m_setMaxB; }
    bool setMinChecked() const { return m_setMinB; }
    // New text of Setmax/SetMin; a differing text runs SetmaxExit/SetMinExit.
    std::optional<std::string> setSetmaxText(std::string_view text);
    std::optional<std::string> setSetMinText(std::string_view text);
    // Click on SetMaxB/SetMinB: sets the box and runs SetmaxExit/SetMinExit.
    std::optional<std::string> setSetMaxChecked(bool checked);
    std::optional<std::string> setSetMinChecked(bool checked);
    // "-", "+" or empty give 0; otherwise a decimal integer. A text that does
    // not convert keeps the previous limit and returns the error.
    std::optional<std::string> SetmaxExit();
    std::optional<std::string> SetMinExit();
    // Step 20: true when the reading (in counts) should beep.
    bool alarm(double numericValue) const;

    // "Continue Record": when unchecked, a mode change restarts the chart.
    bool multirange() const { return m_multirange; }
    void setMultirange(bool checked) { m_multirange = checked; }

    // --- Hi/Lo limit edits
    const EditState& t1hi() const { return m_t1hi; }
    const EditState& t1lo() const { return m_t1lo; }
    // The window forwards every text change (typed, pasted, set): the change
    // rule runs and the resulting text and selection are returned.
    const EditState& changeT1HI(std::string_view text, int selStart, int selLength);
    const EditState& changeT1LO(std::string_view text, int selStart, int selLength);
    // Step 2: separator correction of T1HI, then T1LO.
    void correctLimitSeparators();

    // --- judgement
    const std::string& t1valueText() const { return m_t1value; }
    Verdict verdict() const { return m_verdict; }
    // Caption of `judge`: "Pass", "Fail" or empty before the first verdict.
    std::string_view judgeCaption() const;
    // Background of T1VALUE and `judge`, brush of Shape1; nothing means the
    // design colour (the info background) before the first verdict.
    std::optional<Rgb> verdictColour() const;
    // Step 25: T1VALUE shows the value text, then the judgement. A verdict sets
    // `judgeText`; a reading that is not compared keeps the last verdict.
    std::optional<std::string> judge(const JudgeInput& input, std::string& judgeText);

    // --- mode memory
    const std::string& lastUnitText() const { return m_lastUnitText; }
    const std::string& lastAcDcText() const { return m_lastAcDcText; }
    int lastPointIndex() const { return m_lastPointIndex; }
    // Step 22: true when (unit, point index, mode) differs from the last frame's.
    bool modeChange(std::string_view unitText, int pointIndex, std::string_view acDcText);
    void setLastUnitText(std::string_view text) { m_lastUnitText = text; }

private:
    std::optional<std::string> exitAlarmEdit(const std::string& text, float& limit);
    void setVerdict(Verdict v, std::string& judgeText);

    std::string m_decimalSymbol = ".";

    std::string m_countClass;
    std::int32_t m_fullScale = 0;
    std::int32_t m_barFull = 0;

    float m_setMaxLimit = 0;
    float m_setMinLimit = 0;
    std::string m_setmaxText = "22000";
    std::string m_setMinText = "-22000";
    bool m_setMaxB = false;
    bool m_setMinB = false;
    bool m_multirange = true;

    EditState m_t1hi{"22000", 0, 0};
    EditState m_t1lo{"-22000", 0, 0};
    std::string m_t1value = "0";
    Verdict m_verdict = Verdict::None;

    std::string m_lastUnitText;
    std::string m_lastAcDcText;
    int m_lastPointIndex = 0;
};

}  // namespace tavolo
