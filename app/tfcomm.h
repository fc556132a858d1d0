#pragma once

#include <QLocale>
#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>
#include <string_view>


class QLabel;
class QMenu;

namespace tavolo {
class ChartPanelView;
class ConnectionBar;
class DialogServices;
class HidPlatform;
class LcdPanelView;
class LimitPanelView;
class MeterDecoder;
class MeterSession;
class RecordingBar;
class RepaintScheduler;
class UsbBridgeLink;
class UsbStatePanel;
class WindowServices;
}  // namespace tavolo

// The program's one window (instance FCOMM): the composition root. It creates
// the meter session, the shared services and the panels, wires the panels to
// the session and to each other, and runs start-up and shutdown. Each panel
// owns its controls (by their described names) and their handlers:
//
//   ConnectionBar   connection_bar.*    port selector, COM/USB buttons, QUIT, serial link
//   LcdPanelView    lcd_panel_view.*    the LCD panel Panel1
//   LimitPanelView  limit_panel_view.*  limits, measure value, verdict, alarm edits
//   RecordingBar    recording_bar.*     record row, grid, Record menu, files, report
//   ChartPanelView  chart_panel_view.*  chart, paging bar, Graphic menu, bitmap
//   UsbStatePanel   usb_state_panel.*   hidden USB/state controls, USB bridge link
//
// Panels observe the session themselves and redraw in the one repaint pass of
// the RepaintScheduler; they reach the status line, boxes and dialogs through
// WindowServices. No panel knows another: what crosses between them is wired
// here. GUI thread only.
class TFCOMM : public QMainWindow {
    Q_OBJECT

public:
    // Reads HID devices through the system's HID library.
    explicit TFCOMM(QWidget* parent = nullptr);
    // The same over another HID platform (tests use the simulated one).
    explicit TFCOMM(std::shared_ptr<tavolo::HidPlatform> hidPlatform, QWidget* parent = nullptr);
    // Closes the serial port and stops the HID readers before the controls go.
    ~TFCOMM() override;

    // The user locale's decimal separator ("" when the locale gives none).
    static QString GetDecimalSymbol();
    // True on a 64-bit x86 host: the title then ends in "(x64)", else "(x86)".
    // (The program runs natively here, so the host's processor width is what
    // the suffix reports.)
    static bool IsWow64Host();

    // The locale read at start-up; limit texts are parsed with it.
    const QLocale& localeFormat() const { return LocaleFormat; }
    const QString& decimalSymbol() const { return DecimalSymbol; }

    // Status line, boxes and dialogs, with the hooks tests answer them by.
    tavolo::DialogServices& services() { return *m_services; }
    QLabel* statusLine() const { return m_statusLine; }
    // Never shown: the controls that only hold state live in it, so neither the
    // mouse nor Tab reaches them.
    QWidget* hiddenArea() const { return m_hiddenArea; }
    // The Record menu, where recording features add their items.
    QMenu* recordMenu() const;

    // The core behind the panels.
    tavolo::MeterSession& session() { return *m_session; }
    tavolo::MeterDecoder& decoder();
    tavolo::UsbBridgeLink& usbLink();
    // Frames that stopped at a conversion error since start (shown in the status line).
    int conversionErrorCount() const { return m_conversionErrors; }

    // The panels.
    tavolo::ConnectionBar& connectionBar() { return *m_connectionBar; }
    tavolo::LcdPanelView& lcdPanel() { return *m_lcdPanel; }
    tavolo::LimitPanelView& limitPanel() { return *m_limitPanel; }
    tavolo::RecordingBar& recordingBar() { return *m_recordingBar; }
    tavolo::ChartPanelView& chartPanel() { return *m_chartPanel; }
    tavolo::UsbStatePanel& usbPanel() { return *m_usbPanel; }

    // The session was changed behind the panels (a restore): the page label,
    // the series chooser, the record-limit menu, the grid and chart show it now.
    void showRestoredSession();

    // The window's one repaint clock; repaintNow draws every due panel at once.
    tavolo::RepaintScheduler& repaintScheduler() { return *m_scheduler; }
    void repaintNow();

public slots:
    void FormCreate();
    // QUIT asks first, the hidden Exit does not; either ends the program.
    void quit(bool askFirst);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void construct(std::shared_ptr<tavolo::HidPlatform> hidPlatform);
    void wirePanels();
    // The session's first observer: answers the decimal symbol, beeps and
    // counts conversion errors into the status line.
    class SessionAnswers;
    void conversionNotice(std::string_view message);

    QLocale LocaleFormat;
    QString DecimalSymbol;
    bool m_quitConfirmed = false;  // the close box does not ask again after QUIT
    int m_conversionErrors = 0;
    QLabel* m_statusLine = nullptr;
    QWidget* m_hiddenArea = nullptr;

    std::unique_ptr<tavolo::DialogServices> m_services;
    std::unique_ptr<SessionAnswers> m_answers;
    tavolo::RepaintScheduler* m_scheduler = nullptr;
    std::unique_ptr<tavolo::MeterSession> m_session;
    // Built in this order, torn down in reverse by ~TFCOMM before the session goes.
    tavolo::ConnectionBar* m_connectionBar = nullptr;
    tavolo::LcdPanelView* m_lcdPanel = nullptr;
    tavolo::LimitPanelView* m_limitPanel = nullptr;
    tavolo::RecordingBar* m_recordingBar = nullptr;
    tavolo::ChartPanelView* m_chartPanel = nullptr;
    tavolo::UsbStatePanel* m_usbPanel = nullptr;
};

// The one instance, set while it exists.
extern TFCOMM* FCOMM;
