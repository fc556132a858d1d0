// The road of a reading on the screen: the decoder fed by the serial driver or
// the USB link, and the controls redrawn from its state on a coalescing timer,
// so the data rate never drives the paint rate.
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/lcd_panel_widget.h"
#include "app/shape_circle.h"
#include "app/tfcomm.h"
#include "app/views/recording_half.h"
#include "decode/diagnostic_trace.h"
#include "decode/meter_decoder.h"
#include "hid/usb_bridge_link.h"

namespace {

QColor toColour(const tavolo::Rgb& c) { return QColor(c.r, c.g, c.b); }

void setBase(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    if (pal.color(QPalette::Base) == colour && pal.color(QPalette::Window) == colour)
        return;
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
}

}  // namespace

void TFCOMM::createDecoder()
{
    // The meter session holds the decoder; its screen-only steps come here.
    tavolo::RecordingHalf& rec =
        tavolo::createRecordingHalf(*this, [] { return GetDecimalSymbol().toStdString(); });
    tavolo::WindowSessionObserver& observer = rec.observer;
    observer.onResetUsbWatchdog = [this] {
        if (m_usb)
            m_usb->resetWatchdogTicks();
    };
    observer.onTrace = [this](std::string_view frameText, std::string_view frameBits) {
        if (!m_usb)
            return;
        // Twelve lines each per frame; the memos keep a bounded tail.
        tavolo::forEachTraceLine(frameText, frameBits, [this](std::string_view text, std::string_view bits) {
            m_usb->Memo2().append(std::string(text));
            m_usb->Memo1().append(std::string(bits));
        });
        m_memosDirty = true;
    };
    observer.onBeep = [] { QApplication::beep(); };
    observer.onConversionError = [this](std::string_view message) { conversionNotice(message); };
    m_decoder = &rec.session.decoder();

    m_renderTimer = new QTimer(this);
    m_renderTimer->setSingleShot(true);
    connect(m_renderTimer, &QTimer::timeout, this, &TFCOMM::renderReading);
    m_renderClock.start();
}

void TFCOMM::VexaDATA(const std::uint8_t* bytes, std::int32_t size)
{
    if (size <= 0)
        return;
    m_decoder->VexaDATA(bytes, static_cast<std::size_t>(size));
    scheduleRender();
}

void TFCOMM::HKorinRData(const std::uint8_t* bytes, std::int32_t size)
{
    if (size <= 0)
        return;
    m_decoder->HKorinRData(bytes, static_cast<std::size_t>(size));
    scheduleRender();
}

void TFCOMM::scheduleRender()
{
    if (m_renderTimer->isActive())
        return;  // a render is due already and will show this frame too
    const qint64 since = m_lastRenderMs < 0 ? kRenderIntervalMs : m_renderClock.elapsed() - m_lastRenderMs;
    if (since >= kRenderIntervalMs)
        renderReading();
    else
        m_renderTimer->start(static_cast<int>(kRenderIntervalMs - since));
}

void TFCOMM::renderReading()
{
    m_renderTimer->stop();
    m_lastRenderMs = m_renderClock.elapsed();
    const tavolo::PanelState& panel = m_decoder->panel();
    const tavolo::LimitPanel& limits = m_decoder->limits();

    Panel1->setState(panel);
    CONok->setVisible(panel.visible(tavolo::LcdControl::CONok));
    CONokN->setVisible(panel.visible(tavolo::LcdControl::CONokN));
    const QString usbText = QString::fromStdString(panel.usbText);
    if (USBtxt->text() != usbText)
        USBtxt->setText(usbText);

    const QString value = QString::fromStdString(limits.t1valueText());
    if (T1VALUE->text() != value)
        T1VALUE->setText(value);
    const QColor info = palette().color(QPalette::ToolTipBase);
    const std::optional<tavolo::Rgb> verdict = limits.verdictColour();
    const QColor colour = verdict ? toColour(*verdict) : info;
    setBase(T1VALUE, colour);
    Shape1->setBrushColor(colour);
    setBase(judge, colour);
    const QString caption = QString::fromUtf8(limits.judgeCaption().data(),
                                              static_cast<qsizetype>(limits.judgeCaption().size()));
    if (judge->text() != caption) {
        judge->setText(caption);
        judge->adjustSize();
    }

    // The decoder corrects the separator of the limit texts at every frame.
    applyEditState(T1HI, limits.t1hi().text, limits.t1hi().selStart, limits.t1hi().selLength);
    applyEditState(T1LO, limits.t1lo().text, limits.t1lo().selStart, limits.t1lo().selLength);
    {
        const QSignalBlocker a(Setmax);
        const QSignalBlocker b(SetMin);
        if (Setmax->text().toStdString() != limits.setmaxText())
            Setmax->setText(QString::fromStdString(limits.setmaxText()));
        if (SetMin->text().toStdString() != limits.setMinText())
            SetMin->setText(QString::fromStdString(limits.setMinText()));
    }
}

void TFCOMM::applyEditState(QLineEdit* edit, const std::string& text, int selStart, int selLength)
{
    const QString wanted = QString::fromStdString(text);
    if (edit->text() == wanted)
        return;
    // The core has run the change rule already: write its result without
    // running the change handler again.
    const QSignalBlocker block(edit);
    edit->setText(wanted);
    if (selLength > 0)
        edit->setSelection(selStart, selLength);
    else
        edit->setCursorPosition(qBound(0, selStart, static_cast<int>(wanted.size())));
}

void TFCOMM::conversionNotice(std::string_view message)
{
    // A damaged frame must not stop the user with a box per frame: the status
    // line tells the time, the reason and how many frames were lost so far.
    ++m_conversionErrors;
    statusNote(QStringLiteral("Reading not decoded: %1 (%2 so far)")
                   .arg(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())))
                   .arg(m_conversionErrors));
}
