#pragma once

#include <QElapsedTimer>
#include <QLocale>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QAction;
class QCheckBox;
class QComboBox;
class QEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;

namespace tavolo {
class ClickPanel;
class ConnectionControl;
class LcdPanelWidget;
class ShapeCircle;
class HidPlatform;
class MeterDecoder;
class QtHidChangeWatcher;
class QtHidDispatcher;
class TCommPortDriver;
class TJvHidDeviceController;
class UsbBridgeLink;
struct ConnectionNotice;
}  // namespace tavolo

// The program's one window (instance FCOMM). It owns every control and, as they
// land, the core objects behind them; all handlers run on the GUI thread.
//
// The window is split over several sources:
//   tfcomm.cpp            construction, FormCreate, shutdown
//   tfcomm_layout.cpp     every control at its place, wired to its handler
//   tfcomm_limits.cpp     the limit panel's edits and the alarm edits
//   tfcomm_connect.cpp    port selector, COM/USB connection handlers
//   tfcomm_recording.cpp  grid, chart paging, recording controls, files, report
//                         (the recording half; it may add members below)
//
// Handler names are the controls' names followed by the event. Every control is
// connected to its handler by the layout code, so a handler body only has to act.
class TFCOMM : public QMainWindow {
    Q_OBJECT

public:
    // Reads HID devices through the system's HID library.
    explicit TFCOMM(QWidget* parent = nullptr);
    // The same over another HID platform (tests use the simulated one).
    explicit TFCOMM(std::shared_ptr<tavolo::HidPlatform> hidPlatform, QWidget* parent = nullptr);
    // Closes the serial port and stops the HID readers before the controls go.
    ~TFCOMM() override;

    // Modal questions and messages go through these hooks so tests can answer
    // them without a visible box. The defaults show QMessageBox (information kind).
    // The question hook returns true for Yes.
    using QuestionHook = std::function<bool(const QString& text)>;
    using MessageHook = std::function<void(const QString& text)>;
    void setQuestionHook(QuestionHook hook);
    void setMessageHook(MessageHook hook);
    bool askYesNo(const QString& text);      // through the question hook
    void showInformation(const QString& text);  // through the message hook

    // The user locale's decimal separator ("" when the locale gives none).
    static QString GetDecimalSymbol();
    // True on a 64-bit x86 host: the title then ends in "(x64)", else "(x86)".
    // (The program runs natively here, so the host's processor width is what
    // the suffix reports.)
    static bool IsWow64Host();

    // The locale read at start-up; limit texts are parsed with it.
    const QLocale& localeFormat() const { return LocaleFormat; }
    const QString& decimalSymbol() const { return DecimalSymbol; }

    // The core behind the controls (for the recording half and the tests).
    tavolo::MeterDecoder& decoder() { return *m_decoder; }
    tavolo::UsbBridgeLink& usbLink() { return *m_usb; }
    // Frames that stopped at a conversion error since start (shown in the status line).
    int conversionErrorCount() const { return m_conversionErrors; }
    // Draws the decoder's state on the controls now (the frame path does it on a
    // coalescing timer at most every kRenderIntervalMs).
    void renderReading();
    static constexpr int kRenderIntervalMs = 40;

    // ---- Controls. Names are those of the window's design. ----
    // Top bar
    QFrame* Panel6 = nullptr;
    tavolo::ClickPanel* BtCOM1 = nullptr;
    tavolo::ClickPanel* BtCOM2 = nullptr;
    tavolo::ClickPanel* BtCOM3 = nullptr;
    tavolo::ClickPanel* BtCOM4 = nullptr;
    QToolButton* COMCon = nullptr;
    QToolButton* USBCon = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "QUIT"

    // LCD panel (draws the decoder's panel state; PBar2 is drawn inside it)
    tavolo::LcdPanelWidget* Panel1 = nullptr;

    // Limit panel
    QFrame* Panel4 = nullptr;
    QLabel* T1_HI = nullptr;
    QLineEdit* T1HI = nullptr;
    QLabel* T1_Value = nullptr;
    QLineEdit* T1VALUE = nullptr;
    QLabel* T1_LO = nullptr;
    QLineEdit* T1LO = nullptr;
    tavolo::ShapeCircle* Shape1 = nullptr;
    QLabel* judge = nullptr;
    QLabel* CONokN = nullptr;
    QLabel* CONok = nullptr;

    // Chart tool bar
    QFrame* Panel5 = nullptr;
    QCheckBox* BtFill = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QToolButton* BtSave = nullptr;
    QToolButton* BtFirst = nullptr;
    QToolButton* BTPrevious = nullptr;
    QToolButton* Bt10 = nullptr;
    QToolButton* BtNext = nullptr;
    QToolButton* BTlast = nullptr;
    tavolo::ClickPanel* TbFd = nullptr;
    tavolo::ClickPanel* TbSx = nullptr;

    // Record row
    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QToolButton* RecordNew = nullptr;
    QToolButton* OpenDataFiles = nullptr;
    QToolButton* saveas = nullptr;
    QToolButton* BtPrint = nullptr;

    // Grid (the recording half sets its model) and chart area (a placeholder
    // frame at the chart's place; the recording half puts its chart view here
    // or replaces the pointer with it at the same geometry).
    QTableView* DBGrid1 = nullptr;
    QWidget* Chtshow = nullptr;
    QComboBox* ComboBox1 = nullptr;  // hidden series chooser, "atile"/"btile"

    // Menus (only Record1 is visible)
    QMenu* ComSetup1 = nullptr;
    QAction* COM11 = nullptr;
    QAction* COM21 = nullptr;
    QAction* COM31 = nullptr;
    QAction* COM41 = nullptr;
    QMenu* Connect1 = nullptr;
    QAction* START1 = nullptr;
    QAction* STOP1 = nullptr;
    QMenu* Graphic = nullptr;
    QAction* First1 = nullptr;
    QAction* Previous1 = nullptr;
    QAction* Next1 = nullptr;
    QAction* Last1 = nullptr;
    QAction* New2 = nullptr;   // Graphic → "New" (chart)
    QAction* Save2 = nullptr;  // Graphic → "Save" (bitmap)
    QAction* Fill1 = nullptr;
    QMenu* Record1 = nullptr;
    QAction* New1 = nullptr;   // Record → "New" (hidden)
    QAction* Save1 = nullptr;  // Record → "Save" (hidden)
    QAction* RecordSeparator = nullptr;
    QAction* N10001 = nullptr;
    QAction* N50001 = nullptr;
    QAction* N100001 = nullptr;
    QAction* N500001 = nullptr;
    QAction* N1000001 = nullptr;
    QAction* limitess = nullptr;

    // Timers
    QTimer* ConTimer = nullptr;  // 300 ms, running: USB idle watchdog
    QTimer* Trecord = nullptr;   // 1000 ms, running: sampling countdown
    QTimer* Timer2 = nullptr;    // 2000 ms one-shot, stopped: delayed page-size change

    // Controls that hold state but are never seen. They live in a container that
    // is never shown, so neither the mouse nor Tab reaches them.
    QWidget* HiddenArea = nullptr;
    QCheckBox* IFVexa = nullptr;
    QCheckBox* IFHalvo = nullptr;
    tavolo::ClickPanel* BTCon = nullptr;
    tavolo::ClickPanel* BtDiscon = nullptr;
    tavolo::ClickPanel* BtExit = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* MaxText = nullptr;
    QLabel* MaxTextU = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* MinText = nullptr;
    QLabel* MinTextU = nullptr;
    QCheckBox* SetMaxB = nullptr;
    QCheckBox* SetMinB = nullptr;
    QLineEdit* Setmax = nullptr;
    QLineEdit* SetMin = nullptr;
    QCheckBox* multirange = nullptr;
    QFrame* Panel2 = nullptr;
    QCheckBox* RecallCheck = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TimeH = nullptr;
    QLabel* Label3 = nullptr;  // ":"
    QLineEdit* TimeM = nullptr;
    QLabel* Label4 = nullptr;  // ":"
    QLineEdit* TimeS = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* TimeInt = nullptr;
    QLabel* Label5 = nullptr;
    QToolButton* BtNew = nullptr;
    QToolButton* ReadBtn = nullptr;
    QToolButton* ClearBtn = nullptr;
    QToolButton* InfoBtn = nullptr;
    QPushButton* SetFeature = nullptr;
    QListWidget* DevListBox = nullptr;
    QListWidget* HistoryListBox = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* USBtxt = nullptr;

    // A one-line status under the window for non-blocking notices (conversion
    // errors of frames, with the time and a running count).
    QLabel* StatusLine = nullptr;

    // The rectangle of the chart before it was enlarged (left, top, width, height).
    QRect SavedChartBounds;

    // ---- Components owned by the window for the whole run ----
    // The serial port driver (19200 bit/s, 7 data bits, odd parity, COM1 at start)
    // and the state of the connection controls bound to it.
    // Declared in the order they are built; destroyed in reverse (see ~TFCOMM).
    std::unique_ptr<tavolo::TCommPortDriver> COMM2;
    std::unique_ptr<tavolo::ConnectionControl> m_connection;
    // The meter session's decoder; the session lives in the window's
    // RecordingHalf (a child object, so it goes after the links above).
    tavolo::MeterDecoder* m_decoder = nullptr;
    // The HID controller HidCtl and the USB bridge link. The dispatcher carries
    // reader hand-overs to the GUI thread and outlives both.
    std::unique_ptr<tavolo::QtHidDispatcher> m_hidDispatcher;
    std::unique_ptr<tavolo::TJvHidDeviceController> HidCtl;
    std::unique_ptr<tavolo::QtHidChangeWatcher> m_hidWatcher;
    std::unique_ptr<tavolo::UsbBridgeLink> m_usb;

public slots:
    // ---- Start-up and shutdown ----
    void FormCreate();
    void BitBtn1Click();  // QUIT: asks, then ends
    void BtExit1Click();  // hidden Exit: ends without asking

    // ---- Connection control ----
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();
    void COMConClick();
    void BTCon1Click();
    void BtDiscon1Click();

    // ---- USB bridge link ----
    void USBConClick();
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick();
    void InfoBtnClick();
    void ConTimerTimer();
    void HidCtlDeviceChange();

    // ---- Limit panel and alarm edits ----
    void T1HIChange(QLineEdit* edit);
    bool T1HIKeyPress(QLineEdit* edit, QChar key);  // true: the key passes
    bool SetmaxKeyPress(QChar key);                  // true: the key passes
    void SetmaxExit();
    void SetMinExit();

    // ---- Recording half (bodies in tfcomm_recording.cpp) ----
    void setupRecordingHalf();  // FormCreate calls it once the controls exist
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordChange();
    void Timer2Timer();
    void btFillClick();  // BtFill, RepeatSet and multirange
    void FillClick();
    void BtNewClick();
    void TbFdClick();  // TbFd and TbSx
    void saveasClick();
    void SpeedButton2Click();
    void BtSaveClick();
    void BtPrintClick();
    void RecordNewClick();
    void N10001Click();
    void N50001Click();
    void N100001Click();
    void N500001Click();
    void N1000001Click();
    void limitessClick();
    void TrecordTimer();
    void RecordSITimeChange(QLineEdit* edit);  // RecordSITime, TimeH, TimeM, TimeS, TimeInt
    bool RecordSITimeKeyPress(QChar key);       // true: the key passes
    void RecallCheckClick();
    void RecallCheckExit();
    void TimeHKeyUp(QLineEdit* edit);  // TimeH, TimeM or TimeS

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();  // tfcomm_layout.cpp
    void createMenus();     // tfcomm_layout.cpp
    void createHiddenControls();
    void wireHandlers();
    void construct(std::shared_ptr<tavolo::HidPlatform> hidPlatform);
    void createSerialLink();
    void createDecoder();        // the meter session (RecordingHalf) and its observer
    void syncRecordingInputs();  // the controls the frame steps read, into the session
    void createUsbLink(std::shared_ptr<tavolo::HidPlatform> hidPlatform);
    void applyUsbState(unsigned changes);
    void syncHiddenLogs();
    void scheduleRender();
    void conversionNotice(std::string_view message);
    void applyEditState(QLineEdit* edit, const std::string& text, int selStart, int selLength);
    void applyConnectionState();  // the connection controls as the state says
    void connectionNotice(const tavolo::ConnectionNotice& notice);
    // The serial driver's receive event of the default meter profile.
    void VexaDATA(const std::uint8_t* bytes, std::int32_t size);
    // The same for the 9-payload meter profile (IFHalvo).
    void HKorinRData(const std::uint8_t* bytes, std::int32_t size);
    // A notice that must not block: shown in the status line with the time.
    void statusNote(const QString& text);

    QLocale LocaleFormat;
    QString DecimalSymbol;
    QuestionHook m_question;
    MessageHook m_message;
    bool m_quitConfirmed = false;  // the close box does not ask again after QUIT
    int m_conversionErrors = 0;
    bool m_memosDirty = false;    // Memo1/Memo2 behind their logs
    bool m_historyDirty = false;  // HistoryListBox behind its log
    QTimer* m_renderTimer = nullptr;  // single shot: the next coalesced render
    QElapsedTimer m_renderClock;
    qint64 m_lastRenderMs = -1;       // m_renderClock ms of the last render
};

// The one instance, set while it exists.
extern TFCOMM* FCOMM;
