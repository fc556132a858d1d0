// The window's one repaint clock: a pass never runs inside the call that asks
// for it, draws each due target once however often it was asked, runs at most
// every kIntervalMs, and forgets removed targets.
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <vector>

#include "app/repaint_scheduler.h"

using tavolo::RepaintScheduler;

namespace {

struct Target final : tavolo::RepaintTarget {
    int repaints = 0;
    std::vector<qint64> at;  // ms of each repaint on `clock`
    const QElapsedTimer* clock = nullptr;
    void repaintFromModel() override
    {
        ++repaints;
        if (clock)
            at.push_back(clock->elapsed());
    }
};

}  // namespace

class RepaintSchedulerTest : public QObject {
    Q_OBJECT

private slots:
    void manyRequestsOnePassLater()
    {
        RepaintScheduler scheduler;
        Target a, b, idle;
        for (Target* t : {&a, &b, &idle})
            scheduler.add(t);
        scheduler.repaintNow();  // a target is due when added
        QCOMPARE(idle.repaints, 1);
        for (int i = 0; i < 500; ++i) {
            scheduler.schedule(&a);
            scheduler.schedule(&b);
        }
        QCOMPARE(a.repaints, 1);  // not inside the asking call
        QVERIFY(scheduler.isPending());
        QTRY_COMPARE_WITH_TIMEOUT(a.repaints, 2, 1000);
        QCOMPARE(b.repaints, 2);
        QCOMPARE(idle.repaints, 1);  // never asked again, never drawn again
        QVERIFY(!scheduler.isPending());
    }

    // Asked every 2 ms for 600 ms: at most one pass per interval.
    void atMostTwentyFivePassesASecond()
    {
        QElapsedTimer clock;
        clock.start();
        RepaintScheduler scheduler;
        Target t;
        t.clock = &clock;
        scheduler.add(&t);
        QTimer asker;
        QObject::connect(&asker, &QTimer::timeout, &scheduler, [&] { scheduler.schedule(&t); });
        asker.start(2);
        QTest::qWait(600);
        asker.stop();
        QVERIFY2(t.repaints >= 2, qPrintable(QString::number(t.repaints)));
        QVERIFY2(t.repaints <= 600 / RepaintScheduler::kIntervalMs + 2, qPrintable(QString::number(t.repaints)));
        for (std::size_t i = 1; i < t.at.size(); ++i)
            QVERIFY2(t.at[i] - t.at[i - 1] >= RepaintScheduler::kIntervalMs - 1,
                     qPrintable(QStringLiteral("passes %1 ms apart").arg(t.at[i] - t.at[i - 1])));
    }

    void removedTargetIsNotDrawn()
    {
        RepaintScheduler scheduler;
        Target a;
        {
            Target gone;
            scheduler.add(&a);
            scheduler.add(&gone);
            scheduler.schedule(&gone);
            scheduler.remove(&gone);
        }
        scheduler.repaintNow();
        QCOMPARE(a.repaints, 1);
        scheduler.schedule(&a);
        scheduler.repaintNow();  // now, and the clock's pending pass is dropped
        QCOMPARE(a.repaints, 2);
        QVERIFY(!scheduler.isPending());
    }
};

QTEST_MAIN(RepaintSchedulerTest)
#include "test_repaint_scheduler.moc"
