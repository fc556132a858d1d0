#pragma once

#include <QDialog>

#include "app/publish/publish_settings.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Publish readings" dialog: where live readings go and how the program
// signs in to the broker. It edits a PublishSettings value; OK checks it
// (validatePublishSettings) and stays open with the problem shown under the
// fields until it is right. It neither stores nor uses the settings: whoever
// opens it does (PublishSettingsStore, the publisher). GUI thread.
namespace tavolo {

class PublishDialog : public QDialog {
    Q_OBJECT

public:
    explicit PublishDialog(QWidget* parent = nullptr);

    // The topic prefix used when the field is left empty, shown as its placeholder.
    void setDefaultPrefix(const QString& prefix);
    void setSettings(const PublishSettings& settings);
    PublishSettings settings() const;

    // The problem OK found last; empty when there was none.
    QString problem() const;

    void accept() override;

    // Children, for tests.
    QCheckBox* enabledBox() const { return m_enabled; }
    QLineEdit* urlEdit() const { return m_url; }
    QLineEdit* prefixEdit() const { return m_prefix; }
    QComboBox* qosBox() const { return m_qos; }
    QLineEdit* userEdit() const { return m_user; }
    QComboBox* passwordSourceBox() const { return m_passwordSource; }
    QLineEdit* passwordFileEdit() const { return m_passwordFile; }
    QLineEdit* passwordEdit() const { return m_password; }
    QCheckBox* rememberBox() const { return m_remember; }
    QLineEdit* caFileEdit() const { return m_caFile; }
    QLineEdit* certFileEdit() const { return m_certFile; }
    QLineEdit* keyFileEdit() const { return m_keyFile; }
    QDialogButtonBox* buttons() const { return m_buttons; }

private:
    void updateEnabledFields();
    QWidget* withBrowseButton(QLineEdit* edit, const QString& caption, const QString& filter);

    QCheckBox* m_enabled = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_prefix = nullptr;
    QComboBox* m_qos = nullptr;
    QLineEdit* m_user = nullptr;
    QComboBox* m_passwordSource = nullptr;
    QLineEdit* m_passwordFile = nullptr;
    QPushButton* m_passwordFileBrowse = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
    QLineEdit* m_caFile = nullptr;
    QLineEdit* m_certFile = nullptr;
    QLineEdit* m_keyFile = nullptr;
    QLabel* m_problem = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

}  // namespace tavolo
