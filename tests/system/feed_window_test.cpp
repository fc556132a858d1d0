// The window publishing while it records, against a real mosquitto on
// 127.0.0.1: the simulated meter on COM1 at the wire's full rate, QoS 1, the
// broker stopped and started again on the same port mid-stream. A watcher
// gets every reading (duplicates told apart by seq), the recorded ones match
// the window's table, the table has no gap, and the status line tells the
// story. Then the program itself, killed with SIGKILL: its last will turns the
// retained status "offline".
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <signal.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/publish/publish_link.h"
#include "app/publish/publish_settings_store.h"
#include "app/publish/publish_window.h"
#include "app/tfcomm.h"
#include "decode/si_units.h"
#include "feed/mqtt_publisher.h"
#include "feed_test_support.h"
#include "hid/sim/sim_hid_platform.h"
#include "record/meter_session.h"
#include "record/reading_table.h"

using namespace tavolo;
using nlohmann::json;
using namespace std::chrono_literals;

namespace {

PublishSettings publishTo(const test::TestBroker& broker, const QString& prefix)
{
    PublishSettings s;
    s.enabled = true;
    s.url = QString::fromStdString(broker.url());
    s.prefix = prefix;
    s.qos = 1;
    return s;
}

}  // namespace

class FeedWindowTest : public QObject {
    Q_OBJECT

private slots:
    void brokerRestartMidStreamLosesNothing()
    {
        test::TestBroker broker;
        const std::string dir = broker.dir().path();
        std::filesystem::create_directories(dir + "/ports");
        qputenv("TAVOLO_PORT_DIR", QByteArray::fromStdString(dir + "/ports"));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir + "/data"));

        test::Watcher watch(broker, broker.url() + "/lab/#");
        QVERIFY2(watch.waitSubscribed("lab/probe"), watch.errors().c_str());

        // The window as main() builds it, with the link publishing.
        TFCOMM window(std::make_shared<SimHidPlatform>());
        window.show();
        QStringList notes;
        PublishLink link(
            window.session(), PublishSettingsStore(QString::fromStdString(dir + "/settings.ini"),
                                                   QString::fromStdString(dir + "/mqtt-password")),
            [&](const QString& text) {
                notes << text;
                window.services().statusNote(text);
            },
            [&window] { return windowStatusInfo(window); }, &window);
        attachPublishLink(window, link);
        link.apply(publishTo(broker, QStringLiteral("lab")));
        const QString connected = QStringLiteral("MQTT: connected to ") + QString::fromStdString(broker.url());
        QTRY_VERIFY_WITH_TIMEOUT(notes.contains(connected), 5000);

        test::ChildProcess sim({test::kMeterSim, "--port", "COM1", "--rate", "137", "--frames", "1500", "--seed", "5",
                                "--scenario", "random"},
                               dir + "/sim.out", dir + "/sim.err", {"TAVOLO_PORT_DIR=" + dir + "/ports"});
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::is_symlink(dir + "/ports/COM1"), 10000);
        QTest::mouseClick(window.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(window.connectionBar().COMCon->isChecked());
        const ReadingTable& table = window.session().table();

        // Mid-stream the broker goes (its sessions saved) and comes back.
        QTRY_VERIFY_WITH_TIMEOUT(watch.count("lab/reading") >= 400, 30000);
        broker.stop(SIGTERM);
        const std::size_t rowsAtStop = table.rowCount();
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(notes.begin(), notes.end(),
                                             [](const QString& n) { return n.contains(QStringLiteral("retrying in")); }),
                                 5000);
        QTest::qWait(2000);
        // Recording went on while the broker was away.
        QVERIFY2(table.rowCount() > rowsAtStop + 100, qPrintable(QString::number(table.rowCount())));
        broker.start();
        QTRY_COMPARE_WITH_TIMEOUT(notes.count(connected), 2, 20000);

        QTRY_VERIFY_WITH_TIMEOUT(!sim.running(), 60000);
        QCOMPARE(sim.wait(1s).value_or(-1), 0);
        QTest::qWait(300);  // the last poll tick
        QTest::mouseClick(window.connectionBar().COMCon, Qt::LeftButton);
        QCOMPARE(link.publisher()->waitDelivered(20s), feed::MqttPublisher::Delivery::Delivered);
        const std::uint64_t handed = link.publisher()->status().delivered;

        // Every reading reached the watcher, each seq always with the same reading.
        std::map<std::uint64_t, json> bySeq;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                bySeq.clear();
                for (const json& m : watch.messages("lab/reading"))
                    bySeq.emplace(m["payload"]["seq"].get<std::uint64_t>(), m["payload"]);
                return bySeq.size() >= handed;
            }(),
            20000);
        QCOMPARE(bySeq.size(), std::size_t(handed));
        QCOMPARE(bySeq.begin()->first, std::uint64_t{1});
        QCOMPARE(bySeq.rbegin()->first, std::uint64_t(handed));
        for (const json& m : watch.messages("lab/reading"))
            QCOMPARE(bySeq.at(m["payload"]["seq"].get<std::uint64_t>()), m["payload"]);

        // The recorded ones are the window's table, row for row, without a gap.
        QVERIFY(table.rowCount() >= 1400);
        std::map<std::int64_t, std::string> recorded;  // no -> display
        for (const auto& [seq, p] : bySeq)
            if (p["recorded"].get<bool>())
                recorded.emplace(p["no"].get<std::int64_t>(), p["display"].get<std::string>());
        QCOMPARE(recorded.size(), table.rowCount());
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            const std::int64_t no = table.intValue(row, TableField::No).value_or(-1);
            QCOMPARE(no, static_cast<std::int64_t>(row + 1));
            QVERIFY2(recorded.count(no), qPrintable(QStringLiteral("row %1 never published").arg(no)));
            QCOMPARE(recorded.at(no), lcdDisplayUtf8(table.text(row, TableField::Value)));
        }

        // The status line told the story: connected, retrying, connected again.
        const qsizetype first = notes.indexOf(connected);
        qsizetype retrying = -1;
        for (qsizetype i = first; i < notes.size(); ++i)
            if (notes[i].contains(QStringLiteral("retrying in"))) {
                retrying = i;
                break;
            }
        QVERIFY2(retrying > first, qPrintable(notes.join(QStringLiteral(" | "))));
        QVERIFY(notes.indexOf(connected, retrying) > retrying);
        link.stop();
        watch.stop();
    }

    // The program killed outright: the broker publishes its last will.
    void killedProgramTurnsStatusOffline()
    {
        test::TestBroker broker;
        const std::string dir = broker.dir().path();
        // The program's own settings file, where it looks under XDG_CONFIG_HOME.
        const QString config = QString::fromStdString(dir + "/config");
        PublishSettingsStore store(config + QStringLiteral("/Tavolo/tavolo-interface.conf"),
                                   config + QStringLiteral("/tavolo/mqtt-password"));
        QCOMPARE(store.save(publishTo(broker, QStringLiteral("will"))), QString());

        test::Watcher watch(broker, broker.url() + "/will/#");
        QVERIFY2(watch.waitSubscribed("will/probe"), watch.errors().c_str());
        test::ChildProcess program({TAVOLO_INTERFACE, "-platform", "offscreen"}, dir + "/program.out",
                                   dir + "/program.err",
                                   {"XDG_CONFIG_HOME=" + config.toStdString(), "XDG_DATA_HOME=" + dir + "/data",
                                    "TAVOLO_PORT_DIR=" + dir + "/ports"});
        const auto lastState = [&] {
            const std::vector<json> status = watch.messages("will/status");
            return status.empty() ? std::string() : status.back()["payload"].value("state", std::string());
        };
        QTRY_VERIFY_WITH_TIMEOUT(lastState() == "online", 15000);
        QCOMPARE(watch.messages("will/status").back()["payload"]["program"], "tavolo-interface");
        program.signal(SIGKILL);
        QVERIFY(program.wait(5s).has_value());
        QTRY_VERIFY_WITH_TIMEOUT(lastState() == "offline", 10000);
        watch.stop();
    }
};

QTEST_MAIN(FeedWindowTest)
#include "feed_window_test.moc"
