#include "app/publish/publish_settings_store.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <cstring>
#include <memory>

#include "app/publish/password_file.h"

namespace tavolo {
namespace {

const QString kGroup = QStringLiteral("publish");

QString sourceName(PasswordSource source)
{
    switch (source) {
    case PasswordSource::File: return QStringLiteral("file");
    case PasswordSource::Typed: return QStringLiteral("typed");
    case PasswordSource::None: break;
    }
    return QStringLiteral("none");
}

PasswordSource sourceFromName(const QString& name)
{
    if (name == QLatin1String("file"))
        return PasswordSource::File;
    if (name == QLatin1String("typed"))
        return PasswordSource::Typed;
    return PasswordSource::None;
}

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// QSettings is neither copyable nor movable: made on the heap, one per call.
std::unique_ptr<QSettings> openSettings(const QString& file)
{
    if (file.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Tavolo"), QStringLiteral("tavolo-interface"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

PublishSettingsStore::PublishSettingsStore() : m_passwordFile(defaultPasswordFile()) {}

PublishSettingsStore::PublishSettingsStore(QString settingsFile, QString passwordFile)
    : m_settingsFile(std::move(settingsFile)), m_passwordFile(std::move(passwordFile))
{
}

QString PublishSettingsStore::defaultPasswordFile()
{
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tavolo/mqtt-password");
}

PublishSettings PublishSettingsStore::load(QString* problem) const
{
    const std::unique_ptr<QSettings> settings = openSettings(m_settingsFile);
    settings->beginGroup(kGroup);
    PublishSettings s;
    s.enabled = settings->value(QStringLiteral("enabled"), false).toBool();
    s.url = settings->value(QStringLiteral("url")).toString();
    s.prefix = settings->value(QStringLiteral("prefix")).toString();
    s.qos = settings->value(QStringLiteral("qos"), 0).toInt() == 1 ? 1 : 0;
    s.userName = settings->value(QStringLiteral("userName")).toString();
    s.passwordSource = sourceFromName(settings->value(QStringLiteral("passwordSource")).toString());
    s.passwordFile = settings->value(QStringLiteral("passwordFile")).toString();
    s.rememberPassword = settings->value(QStringLiteral("rememberPassword"), false).toBool();
    s.caFile = settings->value(QStringLiteral("caFile")).toString();
    s.certFile = settings->value(QStringLiteral("certFile")).toString();
    s.keyFile = settings->value(QStringLiteral("keyFile")).toString();
    settings->endGroup();

    if (s.passwordSource == PasswordSource::Typed && s.rememberPassword) {
        std::string secret;
        const int error = readPrivateFile(localPath(m_passwordFile), secret);
        if (error == 0)
            s.password = QString::fromUtf8(secret.data(), static_cast<qsizetype>(secret.size()));
        else if (problem)
            *problem = QStringLiteral("The remembered password could not be read from %1: %2")
                           .arg(m_passwordFile, reason(error));
        secret.assign(secret.size(), '\0');
    }
    return s;
}

QString PublishSettingsStore::save(const PublishSettings& s) const
{
    // The password file first: a failure there leaves the old settings, which
    // still describe the old file.
    const bool keepPassword = s.passwordSource == PasswordSource::Typed && s.rememberPassword;
    if (keepPassword) {
        std::string secret = s.password.toUtf8().toStdString();
        const int error = writePrivateFile(localPath(m_passwordFile), secret);
        secret.assign(secret.size(), '\0');
        if (error != 0)
            return QStringLiteral("Could not store the password in %1: %2").arg(m_passwordFile, reason(error));
    } else if (const int error = removePrivateFile(localPath(m_passwordFile))) {
        return QStringLiteral("Could not remove the remembered password %1: %2").arg(m_passwordFile, reason(error));
    }

    const std::unique_ptr<QSettings> settings = openSettings(m_settingsFile);
    settings->beginGroup(kGroup);
    settings->setValue(QStringLiteral("enabled"), s.enabled);
    settings->setValue(QStringLiteral("url"), s.url);
    settings->setValue(QStringLiteral("prefix"), s.prefix);
    settings->setValue(QStringLiteral("qos"), s.qos);
    settings->setValue(QStringLiteral("userName"), s.userName);
    settings->setValue(QStringLiteral("passwordSource"), sourceName(s.passwordSource));
    settings->setValue(QStringLiteral("passwordFile"), s.passwordFile);
    settings->setValue(QStringLiteral("rememberPassword"), s.rememberPassword);
    settings->setValue(QStringLiteral("caFile"), s.caFile);
    settings->setValue(QStringLiteral("certFile"), s.certFile);
    settings->setValue(QStringLiteral("keyFile"), s.keyFile);
    settings->remove(QStringLiteral("password"));  // never kept here, whoever wrote it
    settings->endGroup();
    settings->sync();
    if (settings->status() != QSettings::NoError)
        return QStringLiteral("Could not save the publish settings to %1.").arg(settings->fileName());
    return {};
}

}  // namespace tavolo
