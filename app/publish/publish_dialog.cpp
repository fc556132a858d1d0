#include "app/publish/publish_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavolo {
namespace {

// The password choices in the order of PasswordSource.
constexpr PasswordSource kSources[] = {PasswordSource::None, PasswordSource::File, PasswordSource::Typed};

}  // namespace

PublishDialog::PublishDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Publish readings"));
    setObjectName(QStringLiteral("PublishDialog"));

    m_enabled = new QCheckBox(QStringLiteral("Publish every reading to an MQTT broker"), this);
    m_url = new QLineEdit(this);
    m_url->setPlaceholderText(QStringLiteral("mqtt://localhost:1883"));
    m_url->setToolTip(QStringLiteral("mqtt://host[:port], or mqtts://host[:port] for TLS"));
    m_prefix = new QLineEdit(this);
    m_qos = new QComboBox(this);
    m_qos->addItem(QStringLiteral("0 - at most once"));
    m_qos->addItem(QStringLiteral("1 - at least once"));

    auto* broker = new QGroupBox(QStringLiteral("Broker"), this);
    auto* brokerForm = new QFormLayout(broker);
    brokerForm->addRow(QStringLiteral("Address:"), m_url);
    brokerForm->addRow(QStringLiteral("Topic prefix:"), m_prefix);
    brokerForm->addRow(QStringLiteral("Quality of service:"), m_qos);

    m_user = new QLineEdit(this);
    m_passwordSource = new QComboBox(this);
    m_passwordSource->addItem(QStringLiteral("No password"));
    m_passwordSource->addItem(QStringLiteral("Read from a file"));
    m_passwordSource->addItem(QStringLiteral("Typed here"));
    m_passwordFile = new QLineEdit(this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_remember = new QCheckBox(QStringLiteral("Remember the password (in a file only you can read)"), this);

    auto* signIn = new QGroupBox(QStringLiteral("Sign-in"), this);
    auto* signInForm = new QFormLayout(signIn);
    signInForm->addRow(QStringLiteral("User name:"), m_user);
    signInForm->addRow(QStringLiteral("Password:"), m_passwordSource);
    signInForm->addRow(QStringLiteral("Password file:"),
                       withBrowseButton(m_passwordFile, QStringLiteral("Password file"), QString()));
    m_passwordFileBrowse = m_passwordFile->parentWidget()->findChild<QPushButton*>();
    signInForm->addRow(QStringLiteral("Typed password:"), m_password);
    signInForm->addRow(QString(), m_remember);

    m_caFile = new QLineEdit(this);
    m_caFile->setPlaceholderText(QStringLiteral("the system's certificate authorities"));
    m_certFile = new QLineEdit(this);
    m_keyFile = new QLineEdit(this);
    const QString pem = QStringLiteral("PEM files (*.pem *.crt *.key);;All files (*)");
    auto* tls = new QGroupBox(QStringLiteral("TLS (mqtts://)"), this);
    auto* tlsForm = new QFormLayout(tls);
    tlsForm->addRow(QStringLiteral("CA file:"), withBrowseButton(m_caFile, QStringLiteral("CA file"), pem));
    tlsForm->addRow(QStringLiteral("Client certificate:"),
                    withBrowseButton(m_certFile, QStringLiteral("Client certificate"), pem));
    tlsForm->addRow(QStringLiteral("Client key:"), withBrowseButton(m_keyFile, QStringLiteral("Client key"), pem));

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_problem->hide();

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PublishDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PublishDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addWidget(broker);
    layout->addWidget(signIn);
    layout->addWidget(tls);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);

    connect(m_passwordSource, &QComboBox::currentIndexChanged, this, &PublishDialog::updateEnabledFields);
    updateEnabledFields();
}

QWidget* PublishDialog::withBrowseButton(QLineEdit* edit, const QString& caption, const QString& filter)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    edit->setParent(row);
    layout->addWidget(edit);
    auto* browse = new QPushButton(QStringLiteral("Browse…"), row);
    layout->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, edit, caption, filter] {
        const QString path = QFileDialog::getOpenFileName(this, caption, edit->text(), filter);
        if (!path.isEmpty())
            edit->setText(path);
    });
    return row;
}

void PublishDialog::updateEnabledFields()
{
    const PasswordSource source = kSources[qBound(0, m_passwordSource->currentIndex(), 2)];
    m_passwordFile->setEnabled(source == PasswordSource::File);
    if (m_passwordFileBrowse)
        m_passwordFileBrowse->setEnabled(source == PasswordSource::File);
    m_password->setEnabled(source == PasswordSource::Typed);
    m_remember->setEnabled(source == PasswordSource::Typed);
}

void PublishDialog::setDefaultPrefix(const QString& prefix)
{
    m_prefix->setPlaceholderText(prefix);
}

void PublishDialog::setSettings(const PublishSettings& s)
{
    m_enabled->setChecked(s.enabled);
    m_url->setText(s.url);
    m_prefix->setText(s.prefix);
    m_qos->setCurrentIndex(s.qos == 1 ? 1 : 0);
    m_user->setText(s.userName);
    m_passwordSource->setCurrentIndex(static_cast<int>(s.passwordSource));
    m_passwordFile->setText(s.passwordFile);
    m_password->setText(s.password);
    m_remember->setChecked(s.rememberPassword);
    m_caFile->setText(s.caFile);
    m_certFile->setText(s.certFile);
    m_keyFile->setText(s.keyFile);
    m_problem->clear();
    m_problem->hide();
    updateEnabledFields();
}

PublishSettings PublishDialog::settings() const
{
    PublishSettings s;
    s.enabled = m_enabled->isChecked();
    s.url = m_url->text().trimmed();
    s.prefix = m_prefix->text().trimmed();
    s.qos = m_qos->currentIndex() == 1 ? 1 : 0;
    s.userName = m_user->text();
    s.passwordSource = kSources[qBound(0, m_passwordSource->currentIndex(), 2)];
    // Only what the chosen source uses; a typed password is not carried along otherwise.
    if (s.passwordSource == PasswordSource::File)
        s.passwordFile = m_passwordFile->text().trimmed();
    if (s.passwordSource == PasswordSource::Typed) {
        s.password = m_password->text();
        s.rememberPassword = m_remember->isChecked();
    }
    s.caFile = m_caFile->text().trimmed();
    s.certFile = m_certFile->text().trimmed();
    s.keyFile = m_keyFile->text().trimmed();
    return s;
}

QString PublishDialog::problem() const
{
    return m_problem->text();
}

void PublishDialog::accept()
{
    const QString problem = validatePublishSettings(settings());
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return;
    QDialog::accept();
}

}  // namespace tavolo
