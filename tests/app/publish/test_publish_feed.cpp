#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/publish/publish_feed.h"

using namespace tavolo;

class TestPublishFeed : public QObject {
    Q_OBJECT

private slots:
    void carriesEverythingWithThePasswordFromItsFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pw"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("s3cret\nignored\n");
        out.close();

        PublishSettings s;
        s.url = QStringLiteral(" mqtts://broker.lan:8884 ");
        s.qos = 1;
        s.userName = QStringLiteral("meter");
        s.passwordSource = PasswordSource::File;
        s.passwordFile = file;
        s.caFile = QStringLiteral("/etc/ca.pem");
        QString error;
        const auto feed = feedSettingsFrom(s, QStringLiteral("COM1"), &error);
        QVERIFY2(feed, qPrintable(error));
        QVERIFY(feed->broker.tls);
        QCOMPARE(feed->broker.host, std::string("broker.lan"));
        QCOMPARE(feed->broker.port, 8884);
        QCOMPARE(feed->qos, 1);
        QCOMPARE(feed->user, std::string("meter"));
        QCOMPARE(feed->password, std::string("s3cret"));
        QCOMPARE(feed->caFile, std::string("/etc/ca.pem"));
        QCOMPARE(feed->prefix, feed::defaultPrefix(feed::localHostName(), "COM1"));

        s.prefix = QStringLiteral("lab/m1");
        s.passwordSource = PasswordSource::Typed;
        s.password = QStringLiteral("typed");
        QCOMPARE(feedSettingsFrom(s, QStringLiteral("COM1"))->prefix, std::string("lab/m1"));
        QCOMPARE(feedSettingsFrom(s, QStringLiteral("COM1"))->password, std::string("typed"));
    }

    void saysWhyWithoutThePassword()
    {
        PublishSettings s;
        s.url = QStringLiteral("mqtt://user:hunter2@h");
        QString error;
        QVERIFY(!feedSettingsFrom(s, QStringLiteral("COM1"), &error));
        QVERIFY2(error.contains(QStringLiteral("cannot hold a user name or password")), qPrintable(error));
        QVERIFY(!error.contains(QStringLiteral("hunter2")));

        s.url = QStringLiteral("mqtt://h");
        s.userName = QStringLiteral("u");
        s.passwordSource = PasswordSource::File;
        s.passwordFile = QStringLiteral("/nonexistent/pw");
        QVERIFY(!feedSettingsFrom(s, QStringLiteral("COM1"), &error));
        QVERIFY2(error.startsWith(QStringLiteral("The password cannot be read: cannot open")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestPublishFeed)
#include "test_publish_feed.moc"
