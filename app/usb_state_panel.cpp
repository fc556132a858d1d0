#include "app/usb_state_panel.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/control_factory.h"
#include "app/core_text.h"
#include "app/window_services.h"
#include "decode/diagnostic_trace.h"
#include "hid/hid_controller_error.h"
#include "hid/hid_device_controller.h"
#include "hid/qt/qt_hid_adapter.h"
#include "hid/usb_bridge_link.h"
#include "record/meter_session.h"

namespace tavolo {
namespace {

// The hidden memos and the history list show the newest lines of their logs.
constexpr std::size_t kMirroredLines = 200;

void mirror(QPlainTextEdit* memo, const BoundedLog& log)
{
    QString text;
    const auto& lines = log.lines();
    const std::size_t from = lines.size() > kMirroredLines ? lines.size() - kMirroredLines : 0;
    for (std::size_t i = from; i < lines.size(); ++i) {
        text += fromCoreText(lines[i]);
        text += QLatin1Char('\n');
    }
    memo->setPlainText(text);
}

QToolButton* textButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setGeometry(geometry);
    return b;
}

}  // namespace

UsbStatePanel::UsbStatePanel(QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler,
                             WindowServices& services, QObject* parent)
    : QObject(parent), m_session(session), m_scheduler(scheduler), m_services(services)
{
    setObjectName(QStringLiteral("UsbStatePanel"));
    createControls(hidden);
    connect(ReadBtn, &QToolButton::clicked, this, &UsbStatePanel::ReadBtnClick);
    connect(ClearBtn, &QToolButton::clicked, this, &UsbStatePanel::ClearBtnClick);
    connect(InfoBtn, &QToolButton::clicked, this, &UsbStatePanel::InfoBtnClick);
    connect(SetFeature, &QPushButton::clicked, this, &UsbStatePanel::SetFeatureClick);
    connect(ConTimer, &QTimer::timeout, this, &UsbStatePanel::ConTimerTimer);
    m_session.addObserver(this);
    m_scheduler.add(this);
}

UsbStatePanel::~UsbStatePanel()
{
    // The readers stop before anything they feed goes.
    m_usb.reset();
    m_hidWatcher.reset();
    HidCtl.reset();
    m_hidDispatcher.reset();
    m_scheduler.remove(this);
    m_session.removeObserver(this);
}

void UsbStatePanel::createControls(QWidget& hidden)
{
    QWidget* h = &hidden;
    IFVexa = checkBox(h, "IFVexa", QStringLiteral("IFVexa"), QRect(8, 8, 80, 17), true);
    IFHalvo = checkBox(h, "IFHalvo", QStringLiteral("Halvo"), QRect(96, 8, 80, 17), false);
    IFHalvo->hide();
    ReadBtn = textButton(h, "ReadBtn", QStringLiteral("Read"), QRect(40, 160, 60, 21));
    ReadBtn->setCheckable(true);
    ClearBtn = textButton(h, "ClearBtn", QStringLiteral("Clear"), QRect(104, 160, 60, 21));
    InfoBtn = textButton(h, "InfoBtn", QStringLiteral("Info"), QRect(168, 160, 60, 21));
    SetFeature = new QPushButton(QStringLiteral("SetFeature"), h);
    SetFeature->setObjectName(QStringLiteral("SetFeature"));
    SetFeature->setGeometry(232, 160, 90, 21);
    DevListBox = new QListWidget(h);
    DevListBox->setObjectName(QStringLiteral("DevListBox"));
    DevListBox->setGeometry(8, 190, 200, 80);
    HistoryListBox = new QListWidget(h);
    HistoryListBox->setObjectName(QStringLiteral("HistoryListBox"));
    HistoryListBox->setGeometry(216, 190, 300, 80);
    Memo1 = new QPlainTextEdit(QStringLiteral("Memo1"), h);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 280, 250, 80);
    Memo2 = new QPlainTextEdit(QStringLiteral("Memo2"), h);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setGeometry(266, 280, 250, 80);
    USBtxt = label(h, "USBtxt", QStringLiteral("6001"), QPoint(530, 8), h->font());
    USBtxt->hide();

    ConTimer = new QTimer(this);
    ConTimer->setObjectName(QStringLiteral("ConTimer"));
    ConTimer->setInterval(300);
}

void UsbStatePanel::start(std::shared_ptr<HidPlatform> platform)
{
    m_hidDispatcher = std::make_unique<QtHidDispatcher>();
    try {
        HidCtl = std::make_unique<TJvHidDeviceController>(std::move(platform), m_hidDispatcher.get());
    } catch (const EControllerError& e) {
        // Without a controller the window still works over the serial link.
        emit usbUnavailable();
        m_services.statusNote(QStringLiteral("USB link unavailable: ") + fromCoreText(e.what()));
        return;
    }
    m_hidWatcher = std::make_unique<QtHidChangeWatcher>(*HidCtl);
    m_usb = std::make_unique<UsbBridgeLink>(*HidCtl);
    m_usb->setIFVexa(IFVexa->isChecked());
    m_usb->onDecodeFrame = [this](std::string_view frameText) { m_session.decoder().decodeFrameText(frameText); };
    m_usb->onMessage = [this](const UsbBridgeLink::Message& m) {
        const QString text = fromCoreText(m.text);
        m_services.statusNote(text);
        if (m.kind == UsbBridgeLink::MessageKind::InformationBox)
            m_services.showInformation(text);
    };
    m_usb->onChanged = [this](unsigned changes) { applyUsbState(changes); };
    // Assigning the controller's events fills the device list a first time.
    m_usb->bindController();
    applyUsbState(~0u);
}

void UsbStatePanel::applyUsbState(unsigned changes)
{
    using Link = UsbBridgeLink;
    if (changes & Link::DeviceListChanged) {
        DevListBox->clear();
        for (const Link::DeviceLine& line : m_usb->DevListBox())
            DevListBox->addItem(fromCoreText(line.text));
        DevListBox->setCurrentRow(m_usb->DevListBoxItemIndex());
    }
    // The hidden logs are mirrored at the next watchdog tick, not per report.
    if (changes & Link::HistoryChanged)
        m_historyDirty = true;
    if (changes & Link::MemosChanged)
        m_memosDirty = true;
    if (changes & Link::UsbButtonChanged)
        emit usbButtonChanged(m_usb->USBConDown(), fromCoreText(m_usb->USBConCaption()),
                              m_usb->comControlsVisible(), m_usb->LCDsendVisible());
    if (changes & Link::ReadButtonChanged)
        ReadBtn->setChecked(m_usb->ReadBtnDown());
    if (changes & Link::UsbTxtChanged)
        USBtxt->setText(fromCoreText(m_usb->USBtxt()));
}

void UsbStatePanel::resetUsbWatchdogTicks()
{
    if (m_usb)
        m_usb->resetWatchdogTicks();
}

void UsbStatePanel::traceFrame(std::string_view frameText, std::string_view frameBits)
{
    if (!m_usb)
        return;
    // Twelve lines each per frame; the memos keep a bounded tail.
    forEachTraceLine(frameText, frameBits, [this](std::string_view text, std::string_view bits) {
        m_usb->Memo2().append(std::string(text));
        m_usb->Memo1().append(std::string(bits));
    });
    m_memosDirty = true;
}

void UsbStatePanel::frameEnded(std::string_view, bool) { m_scheduler.schedule(this); }

void UsbStatePanel::repaintFromModel()
{
    // The last frame's text, as the hidden label shows it.
    const QString usbText = fromLcdCoded(m_session.decoder().panel().usbText);
    if (USBtxt->text() != usbText)
        USBtxt->setText(usbText);
}

void UsbStatePanel::syncHiddenLogs()
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
        HistoryListBox->addItem(fromCoreText(lines[i]));
    HistoryListBox->setCurrentRow(HistoryListBox->count() - 1);
}

void UsbStatePanel::connectClicked(bool down)
{
    if (!m_usb)
        return;
    m_usb->setUSBConDown(down);
    m_usb->USBConClick();
}

void UsbStatePanel::SetFeatureClick()
{
    if (m_usb)
        m_usb->SetFeatureClick();
}

void UsbStatePanel::ReadBtnClick()
{
    if (!m_usb)
        return;
    m_usb->setReadBtnDown(ReadBtn->isChecked());
    m_usb->ReadBtnClick();
}

void UsbStatePanel::ClearBtnClick()
{
    if (m_usb)
        m_usb->ClearBtnClick();
    HistoryListBox->clear();
}

void UsbStatePanel::InfoBtnClick()
{
    if (!m_usb)
        return;
    if (const std::optional<std::string> info = m_usb->InfoBtnClick())
        m_services.showInformation(fromCoreText(*info));
}

void UsbStatePanel::ConTimerTimer()
{
    if (m_usb)
        m_usb->ConTimerTimer();
    syncHiddenLogs();
}

void UsbStatePanel::HidCtlDeviceChange()
{
    if (m_usb)
        m_usb->HidCtlDeviceChange();
}

}  // namespace tavolo
