// The USB bridge link on the window: HidCtl and the headless UsbBridgeLink, with
// the USB button, the hidden USB controls and the idle watchdog bound to them.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>

#include "app/tfcomm.h"
#include "decode/meter_decoder.h"
#include "hid/hid_controller_error.h"
#include "hid/hid_device_controller.h"
#include "hid/qt/qt_hid_adapter.h"
#include "hid/usb_bridge_link.h"
#include "serial/connection_control.h"

namespace {

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The hidden memos and the history list show the newest lines of their logs.
constexpr std::size_t kMirroredLines = 200;

void mirror(QPlainTextEdit* memo, const tavolo::BoundedLog& log)
{
    QString text;
    const auto& lines = log.lines();
    const std::size_t from = lines.size() > kMirroredLines ? lines.size() - kMirroredLines : 0;
    for (std::size_t i = from; i < lines.size(); ++i) {
        text += fromUtf8(lines[i]);
        text += QLatin1Char('\n');
    }
    memo->setPlainText(text);
}

}  // namespace

void TFCOMM::createUsbLink(std::shared_ptr<tavolo::HidPlatform> hidPlatform)
{
    m_hidDispatcher = std::make_unique<tavolo::QtHidDispatcher>();
    try {
        HidCtl = std::make_unique<tavolo::TJvHidDeviceController>(std::move(hidPlatform), m_hidDispatcher.get());
    } catch (const tavolo::EControllerError& e) {
        // Without a controller the window still works over the serial link.
        USBCon->setEnabled(false);
        statusNote(QStringLiteral("USB link unavailable: ") + QString::fromUtf8(e.what()));
        return;
    }
    m_hidWatcher = std::make_unique<tavolo::QtHidChangeWatcher>(*HidCtl);
    m_usb = std::make_unique<tavolo::UsbBridgeLink>(*HidCtl);
    m_usb->setIFVexa(IFVexa->isChecked());
    m_usb->onDecodeFrame = [this](std::string_view frameText) {
        m_decoder->decodeFrameText(frameText);
        scheduleRender();
    };
    m_usb->onMessage = [this](const tavolo::UsbBridgeLink::Message& m) {
        const QString text = fromUtf8(m.text);
        statusNote(text);
        if (m.kind == tavolo::UsbBridgeLink::MessageKind::InformationBox)
            showInformation(text);
    };
    m_usb->onChanged = [this](unsigned changes) { applyUsbState(changes); };
    // Assigning the controller's events fills the device list a first time.
    m_usb->bindController();
    applyUsbState(~0u);
}

void TFCOMM::applyUsbState(unsigned changes)
{
    using Link = tavolo::UsbBridgeLink;
    if (changes & Link::DeviceListChanged) {
        DevListBox->clear();
        for (const Link::DeviceLine& line : m_usb->DevListBox())
            DevListBox->addItem(fromUtf8(line.text));
        DevListBox->setCurrentRow(m_usb->DevListBoxItemIndex());
    }
    // The hidden logs are mirrored at the next watchdog tick, not per report.
    if (changes & Link::HistoryChanged)
        m_historyDirty = true;
    if (changes & Link::MemosChanged)
        m_memosDirty = true;
    if (changes & Link::UsbButtonChanged) {
        USBCon->setChecked(m_usb->USBConDown());
        USBCon->setText(fromUtf8(m_usb->USBConCaption()));
        m_decoder->panel().setVisible(tavolo::LcdControl::LCDsend, m_usb->LCDsendVisible());
        // The serial side hides its button and selector while USB mode is on.
        m_connection->setUsbConDown(m_usb->USBConDown());
        m_connection->showUsbMode(!m_usb->comControlsVisible());
        scheduleRender();
    }
    if (changes & Link::ReadButtonChanged)
        ReadBtn->setChecked(m_usb->ReadBtnDown());
    if (changes & Link::UsbTxtChanged)
        USBtxt->setText(fromUtf8(m_usb->USBtxt()));
}

void TFCOMM::syncHiddenLogs()
{
    if (!m_usb)
        return;
    if (m_memosDirty) {
        m_memosDirty = false;
        mirror(Memo1, m_usb->Memo1());
        mirror(Memo2, m_usb->Memo2());
    }
    if (!m_historyDirty)
        return;
    m_historyDirty = false;
    HistoryListBox->clear();
    const auto& lines = m_usb->HistoryListBox().lines();
    const std::size_t from = lines.size() > kMirroredLines ? lines.size() - kMirroredLines : 0;
    for (std::size_t i = from; i < lines.size(); ++i)
        HistoryListBox->addItem(fromUtf8(lines[i]));
    HistoryListBox->setCurrentRow(HistoryListBox->count() - 1);
}

void TFCOMM::USBConClick()
{
    if (!m_usb)
        return;
    // The click has toggled the button already; the link's handler reads the new state.
    m_usb->setUSBConDown(USBCon->isChecked());
    m_usb->USBConClick();
}

void TFCOMM::SetFeatureClick()
{
    if (m_usb)
        m_usb->SetFeatureClick();
}

void TFCOMM::ReadBtnClick()
{
    if (!m_usb)
        return;
    m_usb->setReadBtnDown(ReadBtn->isChecked());
    m_usb->ReadBtnClick();
}

void TFCOMM::ClearBtnClick()
{
    if (m_usb)
        m_usb->ClearBtnClick();
    HistoryListBox->clear();
}

void TFCOMM::InfoBtnClick()
{
    if (!m_usb)
        return;
    if (const std::optional<std::string> info = m_usb->InfoBtnClick())
        showInformation(fromUtf8(*info));
}

void TFCOMM::ConTimerTimer()
{
    if (m_usb)
        m_usb->ConTimerTimer();
    syncHiddenLogs();
}

void TFCOMM::HidCtlDeviceChange()
{
    if (m_usb)
        m_usb->HidCtlDeviceChange();
}
