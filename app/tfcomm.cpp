// Construction, start-up (FormCreate), the ways out of the program and the
// routing of key and focus events to the handlers of the edits.
#include "app/tfcomm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSysInfo>
#include <QTimer>

#include "app/lcd_panel_widget.h"
#include "app/pictures.h"
#include "decode/meter_decoder.h"
#include "hid/hid_device_controller.h"
#include "hid/qt/qt_hid_adapter.h"
#include "hid/usb_bridge_link.h"
#include "serial/comm_port_driver.h"
#include "serial/connection_control.h"

TFCOMM* FCOMM = nullptr;

namespace {

const QString kQuitQuestion = QStringLiteral("Are you sure that you want to quit this application?");

}  // namespace

TFCOMM::TFCOMM(QWidget* parent) : TFCOMM(tavolo::createSystemHidPlatform(), parent) {}

TFCOMM::TFCOMM(std::shared_ptr<tavolo::HidPlatform> hidPlatform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
{
    FCOMM = this;
    setObjectName(QStringLiteral("FCOMM"));
    setWindowIcon(tavolo::windowIcon());
    createControls();
    createMenus();
    wireHandlers();
    createSerialLink();
    createDecoder();
    // The HID controller's events are assigned as the window is built, after
    // the controls they fill; that lists the HID devices a first time.
    createUsbLink(std::move(hidPlatform));
    // Fixed size: the client area is 714 × 477 under the menu bar, the status
    // line below it; the user cannot resize or maximise the window.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
    ConTimer->start();
    Trecord->start();
}

TFCOMM::~TFCOMM()
{
    // The port closes and the HID readers stop before anything they feed goes.
    if (COMM2)
        COMM2->ClosePort();
    m_usb.reset();
    m_hidWatcher.reset();
    HidCtl.reset();
    m_hidDispatcher.reset();
    m_connection.reset();
    COMM2.reset();
    if (FCOMM == this)
        FCOMM = nullptr;
}

void TFCOMM::setQuestionHook(QuestionHook hook) { m_question = std::move(hook); }
void TFCOMM::setMessageHook(MessageHook hook) { m_message = std::move(hook); }

bool TFCOMM::askYesNo(const QString& text)
{
    if (m_question)
        return m_question(text);
    return QMessageBox::information(this, QStringLiteral("Information"), text,
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TFCOMM::showInformation(const QString& text)
{
    if (m_message) {
        m_message(text);
        return;
    }
    QMessageBox::information(this, QStringLiteral("Information"), text);
}

QString TFCOMM::GetDecimalSymbol()
{
    // The user's locale as Qt reads it from the environment (LC_NUMERIC, LANG).
    return QLocale().decimalPoint();
}

bool TFCOMM::IsWow64Host()
{
    // The title's suffix tells the host processor's width: "(x64)" on a 64-bit
    // x86 (or Itanium) host, "(x86)" on anything else.
    const QString arch = QSysInfo::currentCpuArchitecture();
    return arch == QLatin1String("x86_64") || arch == QLatin1String("ia64");
}

void TFCOMM::FormCreate()
{
    // 1. The chart paging helper and the rest of the recording half.
    setupRecordingHalf();
    // 2, 3. The user's number format and decimal separator.
    LocaleFormat = QLocale();
    DecimalSymbol = GetDecimalSymbol();
    // 9. The series chooser at "atile" without its change handler.
    {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(0);
    }
    // 10, 11. The meter profile picks the frame handler and the title.
    QString caption;
    if (IFVexa->isChecked()) {
        COMM2->SetOnReceiveData([this](tavolo::TCommPortDriver*, const std::uint8_t* bytes, std::int32_t size) {
            VexaDATA(bytes, size);
        });
        caption = QStringLiteral("Tavolo Interface Program Ver 4.02");
    }
    if (IFHalvo->isChecked()) {
        COMM2->SetOnReceiveData([this](tavolo::TCommPortDriver*, const std::uint8_t* bytes, std::int32_t size) {
            HKorinRData(bytes, size);
        });
        caption = QStringLiteral("Yaro Interface Program _Ver: 1.00");
        caption = QStringLiteral("Luvix Interface Program _Ver: 1.00");
    }
    // 14. The host's processor width, appended without a blank.
    caption += IsWow64Host() ? QStringLiteral("(x64)") : QStringLiteral("(x86)");
    setWindowTitle(caption);
    // 12. The count class's row (applied by the decoder) on the controls:
    // alarm texts and the bar graph's maximum.
    renderReading();
}

void TFCOMM::BitBtn1Click()
{
    if (!askYesNo(kQuitQuestion))
        return;
    m_quitConfirmed = true;
    QCoreApplication::quit();
}

void TFCOMM::BtExit1Click()
{
    m_quitConfirmed = true;
    QCoreApplication::quit();
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box would throw away every recorded reading without a word:
    // it asks the same question as QUIT.
    if (m_quitConfirmed || askYesNo(kQuitQuestion)) {
        m_quitConfirmed = true;
        event->accept();
        QCoreApplication::quit();
    } else {
        event->ignore();
    }
}

bool TFCOMM::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The edits' key filters see typed characters only, as a key-press
        // handler does: editing keys, navigation and shortcuts pass untouched.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() != 1 || (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            break;
        const QChar c = text.front();
        if (!c.isPrint() && c != QChar(8))
            break;
        bool pass = true;
        if (watched == T1HI || watched == T1LO)
            pass = T1HIKeyPress(static_cast<QLineEdit*>(watched), c);
        else if (watched == Setmax || watched == SetMin)
            pass = SetmaxKeyPress(c);
        else if (watched == Maxrecord || watched == RecordSITime || watched == TimeH || watched == TimeM ||
                 watched == TimeS || watched == TimeInt)
            pass = RecordSITimeKeyPress(c);
        if (!pass)
            return true;
        break;
    }
    case QEvent::KeyRelease:
        if (watched == TimeH || watched == TimeM || watched == TimeS)
            TimeHKeyUp(static_cast<QLineEdit*>(watched));
        break;
    case QEvent::FocusOut:
        if (watched == RecallCheck)
            RecallCheckExit();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
