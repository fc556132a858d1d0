// The window publishing readings: "Publish readings…" in the Record menu opens
// the dialog, OK stores and starts (or stops) publishing, the stored settings
// start it at start-up, and the broker's state reaches the status line once
// per change. Against a real mosquitto on 127.0.0.1 that the test starts.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>

#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/limit_panel_view.h"
#include "app/publish/publish_dialog.h"
#include "app/publish/publish_link.h"
#include "app/publish/publish_window.h"
#include "app/tfcomm.h"
#include "feed/feed_settings.h"
#include "feed/mqtt_publisher.h"
#include "hid/sim/sim_hid_platform.h"
#include "test_broker.h"
#include "decode/frame_layout.h"
#include "record/meter_session.h"

using namespace tavolo;

namespace {

// The window, a link with settings in a scratch folder, and every note it gave.
struct Fixture {
    QTemporaryDir dir;
    TFCOMM window{std::make_shared<SimHidPlatform>()};
    QStringList notes;
    std::unique_ptr<PublishLink> link;

    Fixture()
    {
        link = std::make_unique<PublishLink>(
            window.session(), store(),
            [this](const QString& text) {
                notes << text;
                window.services().statusNote(text);
            },
            [this] { return windowStatusInfo(window); }, &window);
    }
    ~Fixture() { link.reset(); }

    PublishSettingsStore store() const
    {
        return PublishSettingsStore(dir.filePath(QStringLiteral("settings.ini")),
                                    dir.filePath(QStringLiteral("mqtt-password")));
    }
    bool noted(const QString& part) const
    {
        return std::any_of(notes.begin(), notes.end(), [&](const QString& n) { return n.contains(part); });
    }
    int notesWith(const QString& part) const
    {
        return static_cast<int>(std::count_if(notes.begin(), notes.end(), [&](const QString& n) { return n.contains(part); }));
    }
};

PublishSettings enabledFor(const test::TestBroker& broker, const QString& prefix = QStringLiteral("bench/t1"))
{
    PublishSettings s;
    s.enabled = true;
    s.url = QString::fromStdString(broker.url());
    s.prefix = prefix;
    s.qos = 1;
    return s;
}

QString connectedNote(const test::TestBroker& broker)
{
    return QStringLiteral("MQTT: connected to ") + QString::fromStdString(broker.url());
}

// The retained status message on `topic`, read with mosquitto_sub.
std::string retained(const test::TestBroker& broker, const std::string& topic)
{
    const std::string out = broker.dir().file("retained.txt");
    const std::string command = "mosquitto_sub -h 127.0.0.1 -p " + std::to_string(broker.port()) + " -t '" + topic +
                                "' -C 1 -W 3 > '" + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return test::readText(out);
}

// `times` DC readings of 0.0123 V as the meter sends them.
void feedReadings(MeterSession& session, int times)
{
    std::vector<std::uint8_t> bytes{frame::kLineFeed};
    for (char c : std::string("100123B000A0"))
        bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
    bytes.push_back(frame::kEndByte);
    for (int i = 0; i < times; ++i)
        session.VexaDATA(bytes.data(), bytes.size());
}

}  // namespace

class PublishLinkTest : public QObject {
    Q_OBJECT

private slots:
    void menuItemComesLastAndOkStartsPublishing()
    {
        test::TestBroker broker;
        Fixture f;
        QStringList before;
        for (QAction* a : f.window.recordMenu()->actions())
            before << a->text();
        attachPublishLink(f.window, *f.link);

        const QList<QAction*> after = f.window.recordMenu()->actions();
        QCOMPARE(after.size(), before.size() + 1);
        for (int i = 0; i < before.size(); ++i)
            QCOMPARE(after[i]->text(), before[i]);
        QCOMPARE(after.last()->text(), QStringLiteral("Publish readings\u2026"));

        bool opened = false;
        QString title;
        bool wasEnabled = true;
        f.link->setDialogHook([&](PublishDialog& dialog) {
            opened = true;
            title = dialog.windowTitle();
            wasEnabled = dialog.settings().enabled;
            dialog.setSettings(enabledFor(broker));
            dialog.accept();
            return dialog.result() == QDialog::Accepted;
        });
        after.last()->trigger();
        QVERIFY(opened);
        QCOMPARE(title, QStringLiteral("Publish readings"));
        QVERIFY(!wasEnabled);
        QVERIFY(f.link->publishing());
        QCOMPARE(f.link->publisher()->statusTopic(), std::string("bench/t1/status"));
        // OK stored them: the next run starts with them.
        QCOMPARE(f.store().load().url, QString::fromStdString(broker.url()));
        QVERIFY(f.store().load().enabled);

        QTRY_VERIFY_WITH_TIMEOUT(f.noted(connectedNote(broker)), 5000);
        QVERIFY(f.window.statusLine()->text().contains(connectedNote(broker)));

        // Readings flow without a note each.
        const int notesBefore = static_cast<int>(f.notes.size());
        feedReadings(f.window.session(), 50);
        QCOMPARE(f.link->publisher()->waitDelivered(std::chrono::seconds(5)), feed::MqttPublisher::Delivery::Delivered);
        QCOMPARE(f.link->publisher()->status().delivered, std::uint64_t{50});
        QCoreApplication::processEvents();
        QCOMPARE(static_cast<int>(f.notes.size()), notesBefore);

        // OK with publishing switched off stops it, and says so.
        bool filledFromUse = false;
        f.link->setDialogHook([&](PublishDialog& dialog) {
            PublishSettings s = dialog.settings();
            filledFromUse = s.enabled && s.url == QString::fromStdString(broker.url());
            s.enabled = false;
            dialog.setSettings(s);
            dialog.accept();
            return true;
        });
        after.last()->trigger();
        QVERIFY(filledFromUse);
        QVERIFY(!f.link->publishing());
        QVERIFY(f.noted(QStringLiteral("no longer published")));
        QVERIFY(retained(broker, "bench/t1/status").find("\"offline\"") != std::string::npos);
    }

    void cancelChangesNothing()
    {
        Fixture f;
        attachPublishLink(f.window, *f.link);
        f.link->setDialogHook([](PublishDialog& dialog) {
            dialog.enabledBox()->setChecked(true);
            dialog.reject();
            return false;
        });
        f.link->openDialog();
        QVERIFY(!f.link->publishing());
        QVERIFY(!f.store().load().enabled);
    }

    // The broker goes away and comes back: one note per change, ending connected.
    void brokerStateReachesTheStatusLineOncePerChange()
    {
        test::TestBroker broker;
        Fixture f;
        f.link->apply(enabledFor(broker));
        QTRY_VERIFY_WITH_TIMEOUT(f.noted(connectedNote(broker)), 5000);

        broker.stop(SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(f.noted(QStringLiteral("retrying in")), 5000);
        broker.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.notesWith(connectedNote(broker)), 2, 10000);
        // No two notes in a row alike, none with a password.
        for (int i = 1; i < f.notes.size(); ++i)
            QVERIFY2(f.notes[i] != f.notes[i - 1], qPrintable(f.notes[i]));
    }

    void startUpFollowsTheStoredSettings_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("note");
        QTest::newRow("no password") << int(PasswordSource::None) << false << true << QString();
        QTest::newRow("typed, remembered") << int(PasswordSource::Typed) << true << true << QString();
        QTest::newRow("typed, not remembered")
            << int(PasswordSource::Typed) << false << false << QStringLiteral("password was not remembered");
    }
    void startUpFollowsTheStoredSettings()
    {
        QFETCH(int, source);
        QFETCH(bool, remember);
        QFETCH(bool, starts);
        QFETCH(QString, note);
        test::TestBroker broker;
        Fixture f;
        PublishSettings s = enabledFor(broker);
        s.passwordSource = static_cast<PasswordSource>(source);
        if (s.passwordSource == PasswordSource::Typed) {
            s.userName = QStringLiteral("bench");
            s.password = QStringLiteral("s3cret-word");
        }
        s.rememberPassword = remember;
        QCOMPARE(f.store().save(s), QString());

        f.link->start();
        QCOMPARE(f.link->publishing(), starts);
        if (!note.isEmpty())
            QVERIFY2(f.noted(note), qPrintable(f.notes.join('|')));
        if (starts)
            QTRY_VERIFY_WITH_TIMEOUT(f.noted(connectedNote(broker)), 5000);
        for (const QString& n : f.notes)
            QVERIFY(!n.contains(QStringLiteral("s3cret")));
    }

    void badAddressIsToldAndNothingStarts()
    {
        Fixture f;
        PublishSettings s;
        s.enabled = true;
        s.url = QStringLiteral("http://127.0.0.1:1");
        f.link->apply(s);
        QVERIFY(!f.link->publishing());
        QVERIFY(f.noted(QStringLiteral("Readings are not published: The broker address is not usable")));
    }

    // The status message follows the limits; the default prefix follows the port.
    void statusInfoFollowsTheWindow()
    {
        test::TestBroker broker;
        Fixture f;
        attachPublishLink(f.window, *f.link);
        f.link->apply(enabledFor(broker, QString()));
        QTRY_VERIFY_WITH_TIMEOUT(f.noted(connectedNote(broker)), 5000);
        const std::string com1 = feed::defaultPrefix(feed::localHostName(), "COM1");
        QCOMPARE(f.link->publisher()->statusTopic(), com1 + "/status");

        f.window.limitPanel().T1HI->setText(QStringLiteral("12345"));
        QTRY_VERIFY_WITH_TIMEOUT(retained(broker, com1 + "/status").find("\"hi\":\"12345\"") != std::string::npos,
                                 5000);

        f.window.connectionBar().COM21->trigger();
        const std::string com2 = feed::defaultPrefix(feed::localHostName(), "COM2");
        QTRY_COMPARE_WITH_TIMEOUT(f.link->publisher()->statusTopic(), com2 + "/status", 3000);
        // The old topic was told "offline" on the way.
        QVERIFY(retained(broker, com1 + "/status").find("\"offline\"") != std::string::npos);
    }
};

QTEST_MAIN(PublishLinkTest)
#include "test_publish_link.moc"
