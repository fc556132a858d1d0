#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "record/chart_control.h"

namespace tavolo {

// The window's controls around the chart, as plain state: the page label Bt10,
// the page buttons, the page-size edit Maxrecord with its delayed apply
// (Timer2), the "Fill" choice between the two series and the chart's "New".
// A widget shows these values and forwards its events here.
// Holds a reference to the chart control, which must outlive it. GUI thread only.
class ChartPanel {
public:
    static constexpr int kPageSizeDelayMs = 2000;  // Timer2

    explicit ChartPanel(TChartControl& chart);

    TChartControl& ChartCtl() const noexcept { return *m_chart; }

    // Caption of Bt10 ("Page No."): the decimal current page.
    const std::string& Bt10() const noexcept { return m_bt10; }
    void updatePageLabel();

    // Page buttons and the "Graphic" menu's First/Previous/Next/Last.
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();

    // Maxrecord's text changed: remember it and (re)start Timer2; the window
    // restarts its 2000 ms single-shot timer on every call.
    void MaxrecordChange(std::string_view text);
    const std::string& Maxrecord() const noexcept { return m_maxrecord; }
    bool timer2Running() const noexcept { return m_timer2Running; }
    // Timer2 fired: stop it and apply Maxrecord as the page size. Returns the
    // message for the user when the text is no integer ("'%s' is not a valid
    // integer value") or the size is refused; then nothing changes.
    std::optional<std::string> Timer2Timer();

    // "Fill" check box BtFill changed to `checked` (RepeatSet and multirange
    // share the handler in the window; they pass BtFill's state).
    void btFillClick(bool checked);
    // The "Fill" menu item: toggles BtFill and the item together.
    void FillClick();
    bool BtFill() const noexcept { return m_btFill; }
    bool fillMenuChecked() const noexcept { return m_fillMenuChecked; }

    // The chart's "New": both series restart with one placeholder point at
    // position 0, the series selector goes to its first item, the series is
    // chosen again by "Fill". The paging fields and the window are untouched.
    void BtNewClick();
    // Hidden series selector ComboBox1: 0 "atile", 1 "btile".
    int ComboBox1() const noexcept { return m_comboBox1; }

    // Hide every series, then show series `index` (0 area, 1 line).
    void ShowSeries(int index);

    // Placeholder values of "New" are random; seed for repeatable tests.
    void seedPlaceholder(std::uint64_t seed) { m_random.seed(seed); }

private:
    double placeholderValue();

    TChartControl* m_chart;
    std::string m_bt10 = "1";
    int m_labelPage = 1;
    std::string m_maxrecord = "100";
    bool m_timer2Running = false;
    bool m_btFill = true;
    bool m_fillMenuChecked = true;
    int m_comboBox1 = 0;
    std::mt19937_64 m_random{std::random_device{}()};
};

}  // namespace tavolo
