#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <vector>

class QTimer;

namespace tavolo {

// A part of the window that draws itself from the core's state when asked.
class RepaintTarget {
public:
    virtual ~RepaintTarget() = default;
    // Brings the widgets up to date with the core now.
    virtual void repaintFromModel() = 0;
};

// The window's one repaint clock. Panels mark themselves due (once per reading
// if they like); the scheduler repaints every due panel in one pass, at most
// every kIntervalMs, so the data rate never drives the paint rate. A pass never
// runs inside the call that marks a panel due: the frames of one received chunk
// all land before anything is drawn. GUI thread only; targets must outlive it
// or be removed.
class RepaintScheduler : public QObject {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 40;  // at most 25 passes a second

    explicit RepaintScheduler(QObject* parent = nullptr);

    // Targets are repainted in the order added.
    void add(RepaintTarget* target);
    void remove(RepaintTarget* target);

    // Marks `target` due and starts the clock when it is not running.
    void schedule(RepaintTarget* target);
    // Marks every target due.
    void scheduleAll();
    // Runs the pass now (tests, start-up, the end of a modal loop).
    void repaintNow();

    bool isPending() const;
    // Passes run since start (for tests and measurements).
    int passCount() const { return m_passes; }

private:
    struct Entry {
        RepaintTarget* target;
        bool due;
    };

    void start();

    std::vector<Entry> m_targets;
    QTimer* m_timer = nullptr;
    QElapsedTimer m_clock;
    qint64 m_lastPassMs = -1;
    int m_passes = 0;
};

}  // namespace tavolo
