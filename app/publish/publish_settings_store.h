#pragma once

#include <QString>

#include "app/publish/publish_settings.h"

// Keeps the publish settings between runs. Everything but the password goes to
// QSettings (organization "Tavolo", application "tavolo-interface", the name
// app/main.cpp gives the program). A typed password is kept only when
// rememberPassword is set, and then in a file of its own that only the user can
// read (password_file.h), by default $XDG_CONFIG_HOME/tavolo/mqtt-password; in
// every other case that file is removed. A password is never written to
// QSettings or into a message. GUI thread.
namespace tavolo {

class PublishSettingsStore {
public:
    // The program's own settings and password file.
    PublishSettingsStore();
    // Any settings file (INI format) and password file: tests, other profiles.
    PublishSettingsStore(QString settingsFile, QString passwordFile);

    // The stored settings; defaults where nothing is stored. A remembered
    // password that cannot be read leaves `password` empty and says why in
    // `problem` (when given).
    PublishSettings load(QString* problem = nullptr) const;

    // Stores the settings and keeps or removes the password file as above.
    // Empty on success, otherwise what failed, for the user.
    QString save(const PublishSettings& settings) const;

    QString passwordFile() const { return m_passwordFile; }
    // $XDG_CONFIG_HOME/tavolo/mqtt-password (~/.config when XDG_CONFIG_HOME is unset).
    static QString defaultPasswordFile();

private:
    QString m_settingsFile;  // empty: the program's own QSettings
    QString m_passwordFile;
};

}  // namespace tavolo
