#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/publish/publish_dialog.h"

using namespace tavolo;

namespace {

PublishSettings everything()
{
    PublishSettings s;
    s.enabled = true;
    s.url = QStringLiteral("mqtts://broker.example:8884");
    s.prefix = QStringLiteral("lab/bench3");
    s.qos = 1;
    s.userName = QStringLiteral("meter");
    s.passwordSource = PasswordSource::Typed;
    s.password = QStringLiteral("s3cret");
    s.rememberPassword = true;
    s.caFile = QStringLiteral("/etc/ssl/ca.pem");
    s.certFile = QStringLiteral("/home/u/client.crt");
    s.keyFile = QStringLiteral("/home/u/client.key");
    return s;
}

void clickOk(PublishDialog& dialog)
{
    QTest::mouseClick(dialog.buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

}  // namespace

class TestPublishDialog : public QObject {
    Q_OBJECT

private slots:
    void captionPlaceholderAndHiddenPassword()
    {
        PublishDialog dialog;
        dialog.setDefaultPrefix(QStringLiteral("tavolo/bench3/COM1"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Publish readings"));
        QCOMPARE(dialog.prefixEdit()->placeholderText(), QStringLiteral("tavolo/bench3/COM1"));
        QCOMPARE(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    }

    void fillsFromAndReturnsSettings()
    {
        PublishDialog dialog;
        const PublishSettings s = everything();
        dialog.setSettings(s);
        QCOMPARE(dialog.urlEdit()->text(), s.url);
        QCOMPARE(dialog.qosBox()->currentIndex(), 1);
        QVERIFY(dialog.rememberBox()->isChecked());
        QCOMPARE(dialog.settings(), s);

        PublishSettings fromFile = s;
        fromFile.passwordSource = PasswordSource::File;
        fromFile.passwordFile = QStringLiteral("/run/secrets/mqtt");
        fromFile.password.clear();
        fromFile.rememberPassword = false;
        dialog.setSettings(fromFile);
        QCOMPARE(dialog.settings(), fromFile);

        dialog.setSettings(PublishSettings());
        QCOMPARE(dialog.settings(), PublishSettings());
    }

    void typedFieldsFollowThePasswordChoice()
    {
        PublishDialog dialog;
        dialog.setSettings(everything());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.passwordEdit()->isEnabled());
        QVERIFY(!dialog.passwordFileEdit()->isEnabled());

        // The user picks "Read from a file" and types a path.
        dialog.passwordSourceBox()->setFocus();
        QTest::keyClick(dialog.passwordSourceBox(), Qt::Key_Up);
        QCOMPARE(dialog.passwordSourceBox()->currentIndex(), 1);
        QVERIFY(dialog.passwordFileEdit()->isEnabled());
        QVERIFY(!dialog.passwordEdit()->isEnabled());
        QVERIFY(!dialog.rememberBox()->isEnabled());
        QTest::keyClicks(dialog.passwordFileEdit(), QStringLiteral("/run/secrets/mqtt"));

        // The typed password is no longer part of the settings, nor remembered.
        const PublishSettings s = dialog.settings();
        QCOMPARE(s.passwordSource, PasswordSource::File);
        QCOMPARE(s.passwordFile, QStringLiteral("/run/secrets/mqtt"));
        QVERIFY(s.password.isEmpty());
        QVERIFY(!s.rememberPassword);
    }

    void okChecksAndStaysOpenUntilRight()
    {
        PublishDialog dialog;
        PublishSettings s = everything();
        s.url = QStringLiteral("mqtt://broker.example:70000");
        s.caFile.clear();
        s.certFile.clear();
        s.keyFile.clear();
        dialog.setSettings(s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy accepted(&dialog, &QDialog::accepted);

        clickOk(dialog);
        QCOMPARE(accepted.count(), 0);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.problem(), QStringLiteral("The port must be a number from 1 to 65535."));
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("problem"));
        QVERIFY(label && label->isVisible());
        QVERIFY(!label->text().contains(s.password));

        dialog.urlEdit()->clear();
        QTest::keyClicks(dialog.urlEdit(), QStringLiteral("mqtt://broker.example:1884"));
        clickOk(dialog);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.settings().url, QStringLiteral("mqtt://broker.example:1884"));
    }

    void cancelAcceptsNothing()
    {
        PublishDialog dialog;
        dialog.setSettings(everything());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QTest::mouseClick(dialog.buttons()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestPublishDialog)
#include "test_publish_dialog.moc"
