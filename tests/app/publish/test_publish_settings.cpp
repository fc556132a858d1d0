#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/publish/password_file.h"
#include "app/publish/publish_settings.h"
#include "app/publish/publish_settings_store.h"

using namespace tavolo;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

PublishSettings everything()
{
    PublishSettings s;
    s.enabled = true;
    s.url = QStringLiteral("mqtts://broker.example:8884");
    s.prefix = QStringLiteral("lab/bench 3");
    s.qos = 1;
    s.userName = QStringLiteral("meter");
    s.passwordSource = PasswordSource::Typed;
    s.password = QStringLiteral("s3cr\u00E9t=;\"#");
    s.rememberPassword = true;
    s.caFile = QStringLiteral("/etc/ssl/ca.pem");
    s.certFile = QStringLiteral("/home/u/client.crt");
    s.keyFile = QStringLiteral("/home/u/client.key");
    return s;
}

// Runs with a scratch $XDG_CONFIG_HOME so the real store never touches the user's files.
class ScratchConfig {
public:
    ScratchConfig()
    {
        m_old = qgetenv("XDG_CONFIG_HOME");
        m_hadOld = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    }
    ~ScratchConfig()
    {
        if (m_hadOld)
            qputenv("XDG_CONFIG_HOME", m_old);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    ScratchConfig(const ScratchConfig&) = delete;
    ScratchConfig& operator=(const ScratchConfig&) = delete;
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld = false;
};

}  // namespace

class TestPublishSettings : public QObject {
    Q_OBJECT

    // The whole run has a scratch $XDG_CONFIG_HOME: nothing here may touch the
    // user's own settings, and QSettings takes its folders once per process.
    std::unique_ptr<ScratchConfig> m_config;

private slots:
    void initTestCase() { m_config = std::make_unique<ScratchConfig>(); }
    void cleanupTestCase() { m_config.reset(); }

    void brokerUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("default port") << "mqtt://localhost" << false << "localhost" << 1883;
        QTest::newRow("tls default port") << "mqtts://broker.example" << true << "broker.example" << 8883;
        QTest::newRow("port") << "mqtt://10.0.0.5:1884" << false << "10.0.0.5" << 1884;
        QTest::newRow("highest port, trailing slash") << "MQTTS://Host-1.lan:65535/" << true << "Host-1.lan" << 65535;
        QTest::newRow("ipv6") << "mqtt://[::1]:1883" << false << "::1" << 1883;
        QTest::newRow("ipv6 default port") << "mqtts://[fe80::1]" << true << "fe80::1" << 8883;
        QTest::newRow("blanks around") << "  mqtt://bench3 " << false << "bench3" << 1883;
    }
    void brokerUrls()
    {
        QFETCH(QString, url);
        QFETCH(bool, tls);
        QFETCH(QString, host);
        QFETCH(int, port);
        QString error;
        const std::optional<BrokerAddress> address = parseBrokerUrl(url, &error);
        QVERIFY2(address.has_value(), qPrintable(error));
        QCOMPARE(address->tls, tls);
        QCOMPARE(address->host, host);
        QCOMPARE(address->port, port);
    }

    void badBrokerUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << "Enter the broker's address, for example mqtt://localhost:1883.";
        QTest::newRow("http") << "http://host" << "The broker's address must start with mqtt:// or mqtts://.";
        QTest::newRow("no scheme") << "host:1883" << "The broker's address must start with mqtt:// or mqtts://.";
        QTest::newRow("tcp") << "tcp://host:1883" << "The broker's address must start with mqtt:// or mqtts://.";
        QTest::newRow("no host") << "mqtt://" << "The broker's address has no host name.";
        QTest::newRow("only port") << "mqtt://:1883" << "The broker's address has no host name.";
        QTest::newRow("port 0") << "mqtt://host:0" << "The port must be a number from 1 to 65535.";
        QTest::newRow("port 65536") << "mqtt://host:65536" << "The port must be a number from 1 to 65535.";
        QTest::newRow("port word") << "mqtt://host:abc" << "The port must be a number from 1 to 65535.";
        QTest::newRow("port empty") << "mqtt://host:" << "The port must be a number from 1 to 65535.";
        QTest::newRow("port sign") << "mqtt://host:+80" << "The port must be a number from 1 to 65535.";
        QTest::newRow("huge port") << "mqtt://host:99999999999" << "The port must be a number from 1 to 65535.";
        QTest::newRow("bad host") << "mqtt://ho st" << "\"ho st\" is not a valid host name.";
        QTest::newRow("bad label") << "mqtt://-host" << "\"-host\" is not a valid host name.";
        QTest::newRow("empty label") << "mqtt://a..b" << "\"a..b\" is not a valid host name.";
        QTest::newRow("user in url") << "mqtt://user:pw@host"
                                     << "Give the user name and password in their own fields, not in the "
                                        "broker's address.";
        QTest::newRow("path") << "mqtt://host/topic"
                              << "The broker's address takes no path; give the topic prefix in its own field.";
        QTest::newRow("bare ipv6") << "mqtt://::1" << "Write an IPv6 address in brackets, for example "
                                                      "mqtt://[::1]:1883.";
        QTest::newRow("bad ipv6") << "mqtt://[zz::1]:1883" << "\"zz::1\" is not an IPv6 address.";
        QTest::newRow("open bracket") << "mqtt://[::1" << "The IPv6 address in the broker's address lacks its \"]\".";
        QTest::newRow("after bracket") << "mqtt://[::1]x" << "Only a port may follow the host in the broker's address.";
    }
    void badBrokerUrls()
    {
        QFETCH(QString, url);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!parseBrokerUrl(url, &error).has_value());
        QCOMPARE(error, message);
    }

    void settingsChecks_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("all well") << 0 << "";
        QTest::newRow("wildcard +") << 1 << "The topic prefix cannot hold the wildcards + or #.";
        QTest::newRow("wildcard #") << 2 << "The topic prefix cannot hold the wildcards + or #.";
        QTest::newRow("no password file") << 3 << "Choose the file that holds the password.";
        QTest::newRow("password without user") << 4 << "A password needs a user name.";
        QTest::newRow("certificate without key") << 5 << "Give both the client certificate and its key, or neither.";
        QTest::newRow("tls files on mqtt://") << 6 << "Certificate files are used only with an mqtts:// address.";
        QTest::newRow("off and empty address") << 7 << "";
        QTest::newRow("off but broken address") << 8 << "The port must be a number from 1 to 65535.";
        QTest::newRow("on without address") << 9
                                            << "Enter the broker's address, for example mqtt://localhost:1883.";
    }
    void settingsChecks()
    {
        QFETCH(int, change);
        QFETCH(QString, message);
        PublishSettings s = everything();
        switch (change) {
        case 1: s.prefix = QStringLiteral("lab/+/x"); break;
        case 2: s.prefix = QStringLiteral("lab/#"); break;
        case 3: s.passwordSource = PasswordSource::File; s.passwordFile = QStringLiteral(" "); break;
        case 4: s.userName.clear(); break;
        case 5: s.keyFile.clear(); break;
        case 6: s.url = QStringLiteral("mqtt://broker.example"); break;
        case 7: s.enabled = false; s.url.clear(); break;
        case 8: s.enabled = false; s.url = QStringLiteral("mqtt://host:0"); break;
        case 9: s.url.clear(); break;
        default: break;
        }
        QCOMPARE(validatePublishSettings(s), message);
        // The password never shows in a message.
        QVERIFY(!validatePublishSettings(s).contains(s.password));
    }

    void defaultPrefix()
    {
        QCOMPARE(defaultTopicPrefix(QStringLiteral("bench3"), QStringLiteral("COM1")),
                 QStringLiteral("tavolo/bench3/COM1"));
    }

    void settingsRoundTripWithoutThePasswordInSettings()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("settings.ini"));
        const QString secret = dir.filePath(QStringLiteral("private/mqtt-password"));
        const PublishSettingsStore store(ini, secret);
        QCOMPARE(store.load(), PublishSettings());  // nothing stored: defaults

        const PublishSettings s = everything();
        QCOMPARE(store.save(s), QString());
        QString problem;
        QCOMPARE(PublishSettingsStore(ini, secret).load(&problem), s);
        QVERIFY(problem.isEmpty());
        QVERIFY(!bytesOf(ini).isEmpty());
        QVERIFY(!bytesOf(ini).contains("s3cr"));
        QCOMPARE(bytesOf(secret), s.password.toUtf8());
    }

    void passwordFileIsPrivateWhateverTheUmask()
    {
        QTemporaryDir dir;
        const QString secret = dir.filePath(QStringLiteral("new/folder/mqtt-password"));
        const PublishSettingsStore store(dir.filePath(QStringLiteral("s.ini")), secret);
        const mode_t old = ::umask(0);
        const QString error = store.save(everything());
        ::umask(old);
        QCOMPARE(error, QString());
        QCOMPARE(modeOf(secret), mode_t(0600));
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("new/folder"))), mode_t(0700));
        // No temporary left beside it.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("new/folder"))).entryList(QDir::AllEntries | QDir::Hidden |
                                                                            QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("mqtt-password")});
        // An old file someone made readable is replaced by a private one.
        QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::ReadOther | QFileDevice::ReadGroup);
        QCOMPARE(store.save(everything()), QString());
        QCOMPARE(modeOf(secret), mode_t(0600));
    }

    void passwordFileGoesWhenNotRemembered_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("box unchecked") << 0;
        QTest::newRow("source now a file") << 1;
        QTest::newRow("no password") << 2;
    }
    void passwordFileGoesWhenNotRemembered()
    {
        QFETCH(int, change);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        const QString secret = dir.filePath(QStringLiteral("mqtt-password"));
        const PublishSettingsStore store(ini, secret);
        QCOMPARE(store.save(everything()), QString());
        QVERIFY(QFile::exists(secret));

        PublishSettings s = everything();
        if (change == 0) {
            s.rememberPassword = false;
        } else if (change == 1) {
            s.passwordSource = PasswordSource::File;
            s.passwordFile = QStringLiteral("/run/secrets/mqtt");
        } else {
            s.passwordSource = PasswordSource::None;
        }
        QCOMPARE(store.save(s), QString());
        QVERIFY(!QFile::exists(secret));
        const PublishSettings loaded = store.load();
        QVERIFY(loaded.password.isEmpty());
        QCOMPARE(loaded.passwordSource, s.passwordSource);
        QCOMPARE(loaded.passwordFile, s.passwordFile);
        QVERIFY(!bytesOf(ini).contains("s3cr"));
        // Saving again with nothing to remove is fine.
        QCOMPARE(store.save(s), QString());
    }

    void linkAtThePasswordPathIsReplacedNotFollowed()
    {
        QTemporaryDir dir;
        const QString victim = dir.filePath(QStringLiteral("victim"));
        const QString secret = dir.filePath(QStringLiteral("mqtt-password"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("keep");
        v.close();
        QVERIFY(QFile::link(victim, secret));
        // A link where the password should be is not read through.
        QString problem;
        const PublishSettingsStore store(dir.filePath(QStringLiteral("s.ini")), secret);
        {
            QSettings ini(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
            ini.setValue(QStringLiteral("publish/passwordSource"), QStringLiteral("typed"));
            ini.setValue(QStringLiteral("publish/rememberPassword"), true);
        }
        QVERIFY(store.load(&problem).password.isEmpty());
        QVERIFY(problem.startsWith(QStringLiteral("The remembered password could not be read from ")));

        QCOMPARE(store.save(everything()), QString());
        QCOMPARE(bytesOf(victim), QByteArray("keep"));
        QVERIFY(!QFileInfo(secret).isSymLink());
        QCOMPARE(modeOf(secret), mode_t(0600));
    }

    void failedPasswordSaveSaysWhereButNotWhat()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        const QString secret = dir.filePath(QStringLiteral("file/mqtt-password"));  // under a file
        const QString error = PublishSettingsStore(ini, secret).save(everything());
        QVERIFY(error.startsWith(QStringLiteral("Could not store the password in ") + secret));
        QVERIFY(!error.contains(QStringLiteral("s3cr")));
        QVERIFY(!QFile::exists(ini));  // settings untouched when the password could not be kept
    }

    void defaultPlacesFollowXdgConfigHome()
    {
        const ScratchConfig& config = *m_config;
        QCOMPARE(PublishSettingsStore::defaultPasswordFile(), config.path() + QStringLiteral("/tavolo/mqtt-password"));
        const PublishSettingsStore store;
        QCOMPARE(store.save(everything()), QString());
        QCOMPARE(store.load(), everything());
        QVERIFY(QFile::exists(config.path() + QStringLiteral("/Tavolo/tavolo-interface.conf")));
        QVERIFY(!bytesOf(config.path() + QStringLiteral("/Tavolo/tavolo-interface.conf")).contains("s3cr"));
        QCOMPARE(modeOf(config.path() + QStringLiteral("/tavolo/mqtt-password")), mode_t(0600));
    }

    void privateFileReadRefusals()
    {
        QTemporaryDir dir;
        std::string secret;
        QCOMPARE(readPrivateFile(QFile::encodeName(dir.filePath(QStringLiteral("none"))).toStdString(), secret),
                 ENOENT);
        QCOMPARE(readPrivateFile(QFile::encodeName(dir.path()).toStdString(), secret), EINVAL);
        const std::string big = QFile::encodeName(dir.filePath(QStringLiteral("big"))).toStdString();
        QCOMPARE(writePrivateFile(big, std::string(5000, 'x')), 0);
        QCOMPARE(readPrivateFile(big, secret), EFBIG);
        QVERIFY(secret.empty());
    }
};

QTEST_MAIN(TestPublishSettings)
#include "test_publish_settings.moc"
