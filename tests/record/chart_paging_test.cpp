#include "record/chart_control.h"
#include "record/chart_panel.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavolo {
namespace {

struct Window {
    std::int64_t lo;
    std::int64_t hi;
    friend bool operator==(const Window&, const Window&) = default;
};
std::ostream& operator<<(std::ostream& os, const Window& w) { return os << w.lo << ".." << w.hi; }

class ChartPaging : public ::testing::Test {
protected:
    ChartModel model;
    TChartControl chart{model, 100};
    ChartPanel panel{chart};

    void add(int n)
    {
        for (int i = 0; i < n; ++i) {
            chart.AddValue(i);
            panel.updatePageLabel();
        }
    }
    Window window() const { return {model.windowMinimum(), model.windowMaximum()}; }
};

TEST_F(ChartPaging, CreateStartsOnPageOneWithTheStartPoint)
{
    EXPECT_EQ(window(), (Window{1, 100}));
    EXPECT_EQ(chart.PageCount(), 1);
    EXPECT_EQ(chart.CurrentPage(), 1);
    EXPECT_FALSE(chart.Browsing());
    ASSERT_EQ(model.pointCount(), 1u);
    EXPECT_EQ(model.value(0), 0.0);
    EXPECT_EQ(model.activeSeries(), ChartModel::kAreaSeries);
    EXPECT_EQ(panel.Bt10(), "1");
    EXPECT_THROW(TChartControl(model, 0), std::invalid_argument);
}

TEST_F(ChartPaging, FollowsTheNewestPage)
{
    struct Case {
        int values;
        int page;
        Window window;
    };
    // The 100th value keeps page 1; the 101st moves to 101..200.
    const Case cases[] = {{1, 1, {1, 100}}, {99, 1, {1, 100}}, {1, 2, {101, 200}}, {149, 3, {201, 300}}};
    for (const Case& c : cases) {
        add(c.values);
        EXPECT_EQ(chart.CurrentPage(), c.page) << "after " << chart.LastIndex();
        EXPECT_EQ(window(), c.window) << "after " << chart.LastIndex();
    }
    EXPECT_EQ(chart.LastIndex(), 250);
    EXPECT_EQ(chart.PageCount(), 3);
    EXPECT_EQ(panel.Bt10(), "3");
}

TEST_F(ChartPaging, BrowsingBackHoldsTheWindowUntilLast)
{
    add(250);
    panel.BtFirstClick();
    EXPECT_EQ(window(), (Window{1, 100}));
    EXPECT_EQ(panel.Bt10(), "1");
    EXPECT_TRUE(chart.Browsing());

    add(30);  // counted, not followed
    EXPECT_EQ(window(), (Window{1, 100}));
    EXPECT_EQ(chart.CurrentPage(), 1);
    EXPECT_EQ(chart.PageCount(), 3);

    panel.BTlastClick();
    EXPECT_EQ(window(), (Window{201, 300}));
    EXPECT_EQ(panel.Bt10(), "3");
    EXPECT_FALSE(chart.Browsing());
    add(21);  // position 301: follows again
    EXPECT_EQ(window(), (Window{301, 400}));
    EXPECT_EQ(panel.Bt10(), "4");
}

TEST_F(ChartPaging, NextAndPreviousStepOnePageAndStopAtTheEnds)
{
    add(250);
    panel.BtNextClick();  // already on the last page
    EXPECT_EQ(window(), (Window{201, 300}));
    EXPECT_FALSE(chart.Browsing());

    panel.BTPreviousClick();
    EXPECT_EQ(window(), (Window{101, 200}));
    EXPECT_EQ(panel.Bt10(), "2");
    EXPECT_TRUE(chart.Browsing());
    panel.BTPreviousClick();
    panel.BTPreviousClick();  // on page 1: nothing
    EXPECT_EQ(window(), (Window{1, 100}));
    EXPECT_EQ(panel.Bt10(), "1");

    panel.BtNextClick();
    EXPECT_EQ(panel.Bt10(), "2");
    EXPECT_TRUE(chart.Browsing()) << "short of the last page";
    panel.BtNextClick();
    EXPECT_EQ(window(), (Window{201, 300}));
    EXPECT_FALSE(chart.Browsing()) << "reached the last page";

    // First on page 1 and Last on the last page do nothing.
    panel.BTlastClick();
    EXPECT_EQ(window(), (Window{201, 300}));
    panel.BtFirstClick();
    panel.BtFirstClick();
    EXPECT_EQ(window(), (Window{1, 100}));
}

TEST_F(ChartPaging, SinglePageIgnoresThePageButtons)
{
    add(60);
    for (auto click : {&ChartPanel::BtFirstClick, &ChartPanel::BTPreviousClick, &ChartPanel::BtNextClick,
                       &ChartPanel::BTlastClick}) {
        (panel.*click)();
        EXPECT_EQ(window(), (Window{1, 100}));
        EXPECT_EQ(panel.Bt10(), "1");
        EXPECT_FALSE(chart.Browsing());
    }
}

TEST_F(ChartPaging, PageSizeChangeAppliesOnceAfterTheDelay)
{
    add(250);
    panel.BtFirstClick();
    panel.MaxrecordChange("");
    panel.MaxrecordChange("5");
    panel.MaxrecordChange("50");
    EXPECT_TRUE(panel.timer2Running());
    EXPECT_EQ(chart.PageSize(), 100) << "nothing applied before Timer2 fires";

    EXPECT_EQ(panel.Timer2Timer(), std::nullopt);
    EXPECT_FALSE(panel.timer2Running());
    EXPECT_EQ(chart.PageSize(), 50);
    EXPECT_EQ(chart.PageCount(), 5);
    EXPECT_EQ(window(), (Window{201, 250}));
    EXPECT_EQ(panel.Bt10(), "5");
    EXPECT_FALSE(chart.Browsing());
}

TEST_F(ChartPaging, UnusablePageSizesAreRefusedAndTheOldSizeKept)
{
    add(250);
    struct Case {
        const char* text;
        const char* message;  // prefix of the message the window shows
    };
    const Case cases[] = {
        {"", "'' is not a valid integer value"},
        {"99999999999", "'99999999999' is not a valid integer value"},
        {"0", "The page size must be at least 1"},
        {"-5", "The page size must be at least 1"},
        {"20000000", "The page size must not exceed"},
    };
    for (const Case& c : cases) {
        panel.MaxrecordChange(c.text);
        const std::optional<std::string> message = panel.Timer2Timer();
        ASSERT_TRUE(message) << c.text;
        EXPECT_EQ(message->rfind(c.message, 0), 0u) << *message;
        EXPECT_EQ(chart.PageSize(), 100);
        EXPECT_EQ(chart.PageCount(), 3);
        EXPECT_EQ(window(), (Window{201, 300}));
        EXPECT_EQ(panel.Bt10(), "3");
    }
    EXPECT_TRUE(chart.SetPageSize(0).has_value());
    EXPECT_FALSE(chart.SetPageSize(100).has_value()) << "same size: accepted, nothing to do";
}

TEST_F(ChartPaging, ClearGoesBackToPageOneWithOnlyTheStartPoint)
{
    add(250);
    EXPECT_EQ(chart.Clear(), 1);
    panel.updatePageLabel();
    EXPECT_EQ(window(), (Window{1, 100}));
    EXPECT_EQ(model.pointCount(), 1u);
    EXPECT_FALSE(chart.Browsing());
    EXPECT_EQ(panel.Bt10(), "1");
    EXPECT_EQ(chart.PageCount(), 3) << "kept until the next value";

    chart.AddValue(7.5);
    EXPECT_EQ(model.value(1), 7.5);
    EXPECT_EQ(chart.PageCount(), 1);
    EXPECT_EQ(chart.CurrentPage(), 1);
    EXPECT_EQ(window(), (Window{1, 100}));
}

TEST_F(ChartPaging, VerticalRangeChangesOnlyForNewValues)
{
    chart.SetMaxValue(22000);
    const auto afterFirst = model.revision();
    chart.SetMaxValue(22000);
    EXPECT_EQ(model.revision(), afterFirst);
    EXPECT_EQ(model.verticalMaximum(), 22000);
    chart.SetMinValue(-22000);
    chart.SetMinValue(-220);
    EXPECT_EQ(model.verticalMinimum(), -220);
    EXPECT_EQ(chart.MinValue(), -220);
}

TEST_F(ChartPaging, ViewGetsOnlyTheWindowsPoints)
{
    for (int i = 1; i <= 250; ++i)
        chart.AddValue(i * 0.5);
    const ChartModel::IndexRange visible = model.visibleRange();
    EXPECT_EQ(visible.first, 201u);
    EXPECT_EQ(visible.last, 251u);  // window 201..300, points up to 250
    std::vector<ChartModel::Point> points;
    model.copyPoints(visible, points);
    ASSERT_EQ(points.size(), 50u);
    EXPECT_EQ(points.front().x, 201);
    EXPECT_EQ(points.front().y, 100.5);
    EXPECT_EQ(points.back().x, 250);

    const ChartModel::IndexRange withMargin = model.visibleRange(1);
    EXPECT_EQ(withMargin.first, 200u);
    EXPECT_EQ(withMargin.last, 251u);

    panel.BtFirstClick();
    const auto r = model.visibleRange(1);
    EXPECT_EQ(r.first, 0u);
    EXPECT_EQ(r.last, 102u);
}

TEST_F(ChartPaging, FillChoiceSelectsTheSeries)
{
    panel.btFillClick(false);
    EXPECT_EQ(model.activeSeries(), ChartModel::kLineSeries);
    EXPECT_FALSE(panel.fillMenuChecked());
    panel.FillClick();
    EXPECT_EQ(model.activeSeries(), ChartModel::kAreaSeries);
    EXPECT_TRUE(panel.BtFill());
    EXPECT_TRUE(panel.fillMenuChecked());
    panel.FillClick();
    EXPECT_EQ(model.activeSeries(), ChartModel::kLineSeries);
    EXPECT_FALSE(panel.BtFill());
    panel.ShowSeries(0);
    EXPECT_TRUE(model.isSeriesActive(0));
    EXPECT_FALSE(model.isSeriesActive(1));
}

TEST_F(ChartPaging, NewLeavesAPlaceholderAndTheNextValueAtPositionOne)
{
    panel.seedPlaceholder(42);
    for (int i = 0; i < 250; ++i)
        chart.AddValue(100 + i);
    panel.btFillClick(false);
    panel.BtNewClick();
    ASSERT_EQ(model.pointCount(), 1u);
    EXPECT_GE(model.value(0), 0.0) << "within the held values 0..349";
    EXPECT_LE(model.value(0), 349.0);
    EXPECT_EQ(model.activeSeries(), ChartModel::kLineSeries) << "by Fill";
    EXPECT_EQ(panel.ComboBox1(), 0);
    // Paging fields and window untouched.
    EXPECT_EQ(chart.CurrentPage(), 3);
    EXPECT_EQ(window(), (Window{201, 300}));

    chart.AddValue(5);
    EXPECT_EQ(model.value(1), 5.0);
    EXPECT_EQ(chart.PageCount(), 1);

    // An empty or single-valued chart draws from 0..1000.
    panel.BtNewClick();
    EXPECT_GE(model.value(0), 0.0);
    EXPECT_LT(model.value(0), 1000.0);
}

}  // namespace
}  // namespace tavolo
