// The main window as a user meets it: start-up state, the port selector, the
// two links and their exclusion, the limit edits, the verdict colours, the quit
// question, and readings arriving through the real serial path from a
// pseudo-terminal. Offscreen; modal boxes are answered through the window's hooks.
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "app/click_panel.h"
#include "app/lcd_panel_widget.h"
#include "app/shape_circle.h"
#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_table_model.h"
#include "decode/meter_decoder.h"
#include "frame_encoder.h"
#include "hid/hid_device.h"
#include "hid/sim/sim_hid_platform.h"
#include "hid/usb_bridge_link.h"
#include "pty_line.h"
#include "serial/comm_port_driver.h"

namespace {

const QString kQuitQuestion = QStringLiteral("Are you sure that you want to quit this application?");
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

// A DC volts reading with the given digits, on the 22 V range unless said.
tavolo::sim::MeterFrame dcVolts(const char* digits, std::uint8_t range = tavolo::frame::range::volts::k22V)
{
    tavolo::sim::MeterFrame f;
    f.range = range;
    f.digits = digits;
    f.function = tavolo::frame::function::kVolts;
    f.options = tavolo::frame::option3::kDc | tavolo::frame::option3::kAuto;
    return f;
}

std::vector<std::uint8_t> wire(const std::vector<tavolo::sim::MeterFrame>& frames, bool leadingLf = true)
{
    std::vector<std::uint8_t> bytes;
    if (leadingLf)
        bytes.push_back(tavolo::sim::kLf);  // the line end before the first frame
    for (const auto& f : frames) {
        const auto b = tavolo::sim::encodeFrame(f);
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    return bytes;
}

// The window with its modal boxes answered by the test.
struct Window {
    explicit Window(std::shared_ptr<tavolo::HidPlatform> hid = std::make_shared<tavolo::SimHidPlatform>())
        : w(std::move(hid))
    {
        w.services().setQuestionHook([this](const QString& text) {
            questions << text;
            return answer;
        });
        w.services().setMessageHook([this](const QString& text) { messages << text; });
        w.show();
    }

    // Bytes as the serial driver's receive event hands them over.
    void receive(const std::vector<std::uint8_t>& bytes)
    {
        COMM2().OnReceiveData()(&COMM2(), bytes.data(), static_cast<std::int32_t>(bytes.size()));
        w.repaintNow();
    }
    tavolo::TCommPortDriver& COMM2() { return w.connectionBar().port(); }

    TFCOMM w;
    bool answer = false;
    QStringList questions;
    QStringList messages;
};

QColor baseOf(QWidget* w) { return w->palette().color(QPalette::Base); }

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_ports.isValid());
        qputenv("TAVOLO_PORT_DIR", QFile::encodeName(m_ports.path()));
        QDir(m_ports.path()).remove(QStringLiteral("COM1"));
    }

    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void startUpState()
    {
        Window t;
        TFCOMM& w = t.w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Tavolo Interface Program Ver 4.02") +
                                      (TFCOMM::IsWow64Host() ? QStringLiteral("(x64)") : QStringLiteral("(x86)")));
        QCOMPARE(w.centralWidget()->size(), QSize(714, 477));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));

        // Top bar.
        QCOMPARE(w.connectionBar().BtCOM1->text(), QStringLiteral("COM 1"));
        QVERIFY(w.connectionBar().BtCOM1->isVisible());
        QVERIFY(!w.connectionBar().BtCOM2->isVisible() && !w.connectionBar().BtCOM3->isVisible() && !w.connectionBar().BtCOM4->isVisible());
        QCOMPARE(w.connectionBar().COMCon->text(), QStringLiteral("COM Connect"));
        QCOMPARE(w.connectionBar().USBCon->text(), QStringLiteral("USB Connect"));
        QVERIFY(!w.connectionBar().COMCon->isChecked() && !w.connectionBar().USBCon->isChecked());
        QCOMPARE(w.connectionBar().BitBtn1->text(), QStringLiteral("QUIT"));
        QCOMPARE(w.connectionBar().COMCon->geometry(), QRect(66, 5, 152, 25));

        // LCD panel and limit panel.
        QCOMPARE(w.lcdPanel().Panel1->readout(), QStringLiteral("22000"));
        QCOMPARE(w.lcdPanel().Panel1->state().barMaximum, 22);
        QCOMPARE(w.lcdPanel().Panel1->geometry(), QRect(3, 28, 334, 181));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("22000"));
        QCOMPARE(w.limitPanel().T1LO->text(), QStringLiteral("-22000"));
        QCOMPARE(w.limitPanel().T1VALUE->text(), QStringLiteral("0"));
        QCOMPARE(w.limitPanel().judge->text(), QString());
        QVERIFY(w.limitPanel().CONokN->isVisible() && !w.limitPanel().CONok->isVisible());
        QCOMPARE(w.limitPanel().Setmax->text(), QStringLiteral("22000"));
        QCOMPARE(w.limitPanel().SetMin->text(), QStringLiteral("-22000"));

        // Menus: only "Record" shows; its limit items with "10000" checked.
        QStringList shown;
        for (QAction* a : w.menuBar()->actions())
            if (a->isVisible())
                shown << a->text();
        QCOMPARE(shown, QStringList{QStringLiteral("Record")});
        QVERIFY(!w.recordingBar().New1->isVisible() && !w.recordingBar().Save1->isVisible());
        const QList<QAction*> limits = {w.recordingBar().N10001, w.recordingBar().N50001, w.recordingBar().N100001, w.recordingBar().N500001, w.recordingBar().N1000001, w.recordingBar().limitess};
        QStringList captions;
        for (QAction* a : limits) {
            captions << a->text();
            QCOMPARE(a->isChecked(), a == w.recordingBar().N100001);
        }
        QCOMPARE(captions, (QStringList{"1000", "5000", "10000", "50000", "100000", "limitless"}));
        QVERIFY(w.connectionBar().COM11->isChecked() && !w.connectionBar().COM21->isChecked());
        QVERIFY(w.connectionBar().START1->isEnabled() && !w.connectionBar().STOP1->isEnabled());
        QVERIFY(w.chartPanel().Fill1->isChecked() && w.chartPanel().BtFill->isChecked() && w.recordingBar().RepeatSet->isChecked());

        // Timers.
        QVERIFY(w.usbPanel().ConTimer->isActive() && w.usbPanel().ConTimer->interval() == 300);
        QVERIFY(w.recordingBar().Trecord->isActive() && w.recordingBar().Trecord->interval() == 1000);
        QVERIFY(!w.chartPanel().Timer2->isActive() && w.chartPanel().Timer2->interval() == 2000 && w.chartPanel().Timer2->isSingleShot());

        // State holders: never seen, never reached by Tab; only four hints exist.
        QVERIFY(w.usbPanel().IFVexa->isChecked() && !w.usbPanel().IFHalvo->isChecked());
        QVERIFY(!w.connectionBar().BtDiscon->isVisibleTo(w.hiddenArea()) && w.connectionBar().BTCon->isVisibleTo(w.hiddenArea()));
        for (QWidget* hidden : w.hiddenArea()->findChildren<QWidget*>())
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        QWidget* start = w.limitPanel().T1HI;
        QWidget* next = start->nextInFocusChain();
        for (int guard = 0; next != start && guard < 500; ++guard, next = next->nextInFocusChain()) {
            if (next->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!w.hiddenArea()->isAncestorOf(next), qPrintable(next->metaObject()->className()));
        }
        QSet<QString> hints;
        for (QWidget* c : w.findChildren<QWidget*>())
            if (!c->toolTip().isEmpty())
                hints << c->toolTip();
        QCOMPARE(hints, (QSet<QString>{"Can't for empty", "Close Data", "Open old data files", "Save data files"}));
    }

    // Every described control exists once, under its own name, whichever panel owns it.
    void everyControlIsFoundByItsName()
    {
        Window t;
        const QStringList names = QStringLiteral(
            "Panel6 BtCOM1 BtCOM2 BtCOM3 BtCOM4 COMCon USBCon BitBtn1 ComSetup1 COM11 COM21 COM31 COM41 "
            "Connect1 START1 STOP1 BTCon BtDiscon BtExit Panel1 Panel4 T1_HI T1HI T1_Value T1VALUE T1_LO "
            "T1LO Shape1 judge CONokN CONok Panel3 Label12 MaxText MaxTextU Label11 MinText MinTextU SetMaxB "
            "SetMinB Setmax SetMin multirange RepeatSet RecordSI RecordSITime RecordNew OpenDataFiles saveas "
            "BtPrint DBGrid1 Record1 New1 Save1 N10001 N50001 N100001 N500001 N1000001 limitess Trecord "
            "Panel2 RecallCheck Label2 TimeH Label3 TimeM Label4 TimeS Label1 TimeInt Label5 Chtshow "
            "ComboBox1 Panel5 BtFill Maxrecord BtSave BtFirst BTPrevious Bt10 BtNext BTlast TbFd TbSx BtNew "
            "Graphic First1 Previous1 Next1 Last1 New2 Save2 Fill1 Timer2 IFVexa IFHalvo ReadBtn ClearBtn "
            "InfoBtn SetFeature DevListBox HistoryListBox Memo1 Memo2 USBtxt ConTimer")
                                      .split(QLatin1Char(' '));
        for (const QString& name : names) {
            const QList<QObject*> found = t.w.findChildren<QObject*>(name);
            QVERIFY2(found.size() == 1, qPrintable(QStringLiteral("%1: %2 found").arg(name).arg(found.size())));
        }
        QCOMPARE(t.w.findChild<QObject*>(QStringLiteral("COMCon")), t.w.connectionBar().COMCon);
        QCOMPARE(t.w.findChild<QObject*>(QStringLiteral("DBGrid1")), t.w.recordingBar().DBGrid1);
        QCOMPARE(t.w.recordMenu(), t.w.recordingBar().Record1);
    }

    void selectorCycle()
    {
        Window t;
        TFCOMM& w = t.w;
        const QList<tavolo::ClickPanel*> panels = {w.connectionBar().BtCOM1, w.connectionBar().BtCOM2, w.connectionBar().BtCOM3, w.connectionBar().BtCOM4};
        const QList<QAction*> items = {w.connectionBar().COM11, w.connectionBar().COM21, w.connectionBar().COM31, w.connectionBar().COM41};
        int port = 0;  // index of the port shown
        for (int click = 1; click <= 4; ++click) {
            QTest::mouseClick(panels[port], Qt::LeftButton);
            port = (port + 1) % 4;
            for (int i = 0; i < 4; ++i) {
                QCOMPARE(panels[i]->isVisible(), i == port);
                QCOMPARE(items[i]->isChecked(), i == port);
            }
            QCOMPARE(static_cast<int>(t.COMM2().ComPort()), port);
        }
        QCOMPARE(w.connectionBar().BtCOM1->text(), QStringLiteral("COM 1"));
        // The hidden menu items choose as well.
        w.connectionBar().COM31->trigger();
        QVERIFY(w.connectionBar().BtCOM3->isVisible() && w.connectionBar().COM31->isChecked());
        QCOMPARE(t.COMM2().ComPort(), tavolo::TComPortNumber::pnCOM3);
    }

    void portThatCannotOpenTellsWhyAndStaysIdle()
    {
        // COM1 leads to a device that is not there.
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB9"), m_ports.filePath(QStringLiteral("COM1"))));
        Window t;
        TFCOMM& w = t.w;
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QCOMPARE(t.messages.size(), 1);
        QVERIFY2(t.messages[0].contains(QLatin1String("COM1")), qPrintable(t.messages[0]));
        QVERIFY2(t.messages[0].contains(QLatin1String("/nonexistent/ttyUSB9")), qPrintable(t.messages[0]));
        QVERIFY(!w.connectionBar().COMCon->isChecked());
        QVERIFY(w.connectionBar().USBCon->isVisible());
        QVERIFY(w.connectionBar().BtCOM1->isEnabled());
        QVERIFY(!t.COMM2().IsPortOpen());
        QVERIFY(w.statusLine()->text().contains(QLatin1String("COM1")));
    }

    void connectDisconnectAndTheLinksExcludeEachOther()
    {
        std::string error;
        auto pty = tavolo::sim::PtyLine::open(error);
        QVERIFY2(pty, error.c_str());
        auto link = tavolo::sim::PortLink::create(m_ports.path().toStdString(), "COM1", pty->slavePath(), error);
        QVERIFY2(link, error.c_str());

        auto hid = std::make_shared<tavolo::SimHidPlatform>();
        hid->addDevice(tavolo::SimHidPlatform::bridgeSpec());
        Window t(hid);
        TFCOMM& w = t.w;

        // Serial on: the USB button goes, the choice is locked.
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(t.COMM2().IsPortOpen());
        QVERIFY(w.connectionBar().COMCon->isChecked());
        QVERIFY(!w.connectionBar().USBCon->isVisible());
        QVERIFY(!w.connectionBar().BtCOM1->isEnabled() && w.connectionBar().BtCOM1->isVisible());
        QVERIFY(!w.connectionBar().ComSetup1->isEnabled());
        QVERIFY(w.connectionBar().START1->isChecked() && !w.connectionBar().START1->isEnabled() && w.connectionBar().STOP1->isEnabled());
        QVERIFY(w.connectionBar().BtDiscon->isVisibleTo(w.hiddenArea()) && !w.connectionBar().BTCon->isVisibleTo(w.hiddenArea()));
        QVERIFY(t.messages.isEmpty());

        // Serial off: Idle again.
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(!t.COMM2().IsPortOpen());
        QVERIFY(w.connectionBar().USBCon->isVisible() && w.connectionBar().BtCOM1->isEnabled() && w.connectionBar().ComSetup1->isEnabled());
        QVERIFY(w.connectionBar().STOP1->isChecked() && !w.connectionBar().STOP1->isEnabled());

        // The hidden START/STOP items connect too, leaving the USB button alone.
        w.connectionBar().START1->trigger();
        QVERIFY(t.COMM2().IsPortOpen() && w.connectionBar().COMCon->isChecked());
        w.connectionBar().STOP1->trigger();
        QVERIFY(!t.COMM2().IsPortOpen() && !w.connectionBar().COMCon->isChecked());

        // USB on: the COM button and the selector go; off: they come back.
        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QVERIFY2(t.messages.isEmpty(), qPrintable(t.messages.join('\n')));
        QVERIFY(w.connectionBar().USBCon->isChecked());
        QCOMPARE(w.connectionBar().USBCon->text(), QStringLiteral("USB Disconnect"));
        QVERIFY(!w.connectionBar().COMCon->isVisible());
        for (auto* p : {w.connectionBar().BtCOM1, w.connectionBar().BtCOM2, w.connectionBar().BtCOM3, w.connectionBar().BtCOM4})
            QVERIFY(!p->isVisible());
        QTRY_VERIFY(w.lcdPanel().Panel1->state().visible(tavolo::LcdControl::LCDsend));
        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QVERIFY(!w.connectionBar().USBCon->isChecked());
        QCOMPARE(w.connectionBar().USBCon->text(), QStringLiteral("USB Connection"));
        QVERIFY(w.connectionBar().COMCon->isVisible() && w.connectionBar().BtCOM1->isVisible() && !w.connectionBar().BtCOM2->isVisible());
        QVERIFY(!t.COMM2().IsPortOpen());
    }

    void usbWithoutTheCableSaysSo()
    {
        Window t;  // no HID device at all
        TFCOMM& w = t.w;
        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QCOMPARE(t.messages,
                 QStringList{"USB interface cable is not securely connected, please check and re-try."});
        QVERIFY(!w.connectionBar().USBCon->isChecked());
        QVERIFY(w.connectionBar().COMCon->isVisible());
    }

    // The cable is plugged in while the "not securely connected" box is open: the
    // device change comes through the box's event loop while the button is still
    // down. After OK the button is up, so the cable must not be read, and the
    // serial link that can now connect is the only one feeding the decoder.
    void usbCablePluggedInWhileTheMissingCableBoxIsOpen()
    {
        std::string error;
        auto pty = tavolo::sim::PtyLine::open(error);
        QVERIFY2(pty, error.c_str());
        auto link = tavolo::sim::PortLink::create(m_ports.path().toStdString(), "COM1", pty->slavePath(), error);
        QVERIFY2(link, error.c_str());
        auto hid = std::make_shared<tavolo::SimHidPlatform>();
        Window t(hid);
        TFCOMM& w = t.w;
        std::string bridge;
        w.services().setMessageHook([&](const QString& text) {
            t.messages << text;
            if (!bridge.empty())
                return;
            bridge = hid->addDevice(tavolo::SimHidPlatform::bridgeSpec());
            QElapsedTimer box;
            box.start();
            while (w.usbPanel().DevListBox->count() == 0 && box.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        });

        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QCOMPARE(t.messages,
                 QStringList{"USB interface cable is not securely connected, please check and re-try."});
        QCOMPARE(w.usbPanel().DevListBox->count(), 1);
        QVERIFY(!w.connectionBar().USBCon->isChecked());
        QVERIFY(w.connectionBar().COMCon->isVisible());
        const auto noDeviceReads = [&w] {
            for (const auto& line : w.usbLink().DevListBox())
                if (line.device && (line.device->OnReport() || line.device->ReaderThread()))
                    return false;
            return true;
        };
        QVERIFY(noDeviceReads());

        const std::vector<std::uint8_t> meterBytes = wire({dcVolts("05678")}, false);
        for (auto& report : tavolo::SimHidPlatform::bridgeReports(meterBytes))
            hid->queueReport(bridge, std::move(report));
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(t.COMM2().IsPortOpen());
        const std::vector<std::uint8_t> serialBytes = wire({dcVolts("01234")});
        QCOMPARE(pty->write(serialBytes.data(), serialBytes.size()), tavolo::sim::PtyLine::WriteResult::Sent);
        QTRY_COMPARE_WITH_TIMEOUT(w.lcdPanel().Panel1->readout(), QStringLiteral("1.234"), 3000);
        QTest::qWait(100);
        QCOMPARE(w.decoder().framesAccepted(), std::uint64_t(1));
        QVERIFY(!hid->waitUntilDrained(bridge, 0));
        QVERIFY(noDeviceReads());
    }

    // Closing the window while the bridge is read: the readers stop, every
    // handle closes, and nothing rescans the HID nodes on the way out.
    void closingWhileReadingTheBridgeRescansNothing()
    {
        auto hid = std::make_shared<tavolo::SimHidPlatform>();
        const std::string bridge = hid->addDevice(tavolo::SimHidPlatform::bridgeSpec());
        auto t = std::make_unique<Window>(hid);
        QTest::mouseClick(t->w.connectionBar().USBCon, Qt::LeftButton);
        QVERIFY(t->w.connectionBar().USBCon->isChecked());
        for (auto& report : tavolo::SimHidPlatform::bridgeReports(wire({dcVolts("01234")}, false)))
            hid->queueReport(bridge, std::move(report));
        QTRY_COMPARE_WITH_TIMEOUT(t->w.decoder().framesAccepted(), std::uint64_t(1), 3000);
        const int snapshots = hid->snapshots();
        t.reset();
        QCOMPARE(hid->snapshots(), snapshots);
        QCOMPARE(hid->openHandles(bridge), 0);
    }

    void limitEditKeysAndChanges()
    {
        Window t;
        TFCOMM& w = t.w;
        // A lone "-" becomes "-0" with the 0 selected, so the next digit replaces it.
        w.limitPanel().T1HI->selectAll();
        QTest::keyClicks(w.limitPanel().T1HI, QStringLiteral("-"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("-0"));
        QCOMPARE(w.limitPanel().T1HI->selectionStart(), 1);
        QCOMPARE(w.limitPanel().T1HI->selectedText(), QStringLiteral("0"));
        QTest::keyClicks(w.limitPanel().T1HI, QStringLiteral("5"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("-5"));
        // Letters and other separators never get in.
        QTest::keyClicks(w.limitPanel().T1HI, QStringLiteral("x,+"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("-5"));
        QTest::keyClicks(w.limitPanel().T1HI, QStringLiteral(".5"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("-5.5"));
        // An emptied edit becomes "0", selected.
        w.limitPanel().T1LO->selectAll();
        QTest::keyClick(w.limitPanel().T1LO, Qt::Key_Backspace);
        QCOMPARE(w.limitPanel().T1LO->text(), QStringLiteral("0"));
        QCOMPARE(w.limitPanel().T1LO->selectedText(), QStringLiteral("0"));
        // The core holds what the edits show.
        QCOMPARE(w.decoder().limits().t1hi().text, std::string("-5.5"));
        QCOMPARE(w.decoder().limits().t1lo().text, std::string("0"));
        // Alarm edits take digits and signs only.
        QTest::keyClicks(w.limitPanel().Setmax, QStringLiteral("a1"));
        QCOMPARE(w.limitPanel().Setmax->text(), QStringLiteral("220001"));
    }

    void pastedLimitTakesTheLocaleSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Window t;
        TFCOMM& w = t.w;
        QCOMPARE(w.decimalSymbol(), QStringLiteral(","));
        // Typed: the comma passes the key filter, the dot does not.
        w.limitPanel().T1LO->selectAll();
        QTest::keyClicks(w.limitPanel().T1LO, QStringLiteral("1.5"));
        QCOMPARE(w.limitPanel().T1LO->text(), QStringLiteral("15"));
        w.limitPanel().T1LO->selectAll();
        QTest::keyClicks(w.limitPanel().T1LO, QStringLiteral("1,5"));
        QCOMPARE(w.limitPanel().T1LO->text(), QStringLiteral("1,5"));
        // Pasted: "1.5" gets the locale's separator instead of being thrown away.
        w.limitPanel().T1HI->selectAll();
        w.limitPanel().T1HI->insert(QStringLiteral("1.5"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("1,5"));
        QCOMPARE(w.decoder().limits().t1hi().text, std::string("1,5"));
        // Two separators cannot be mended: the change rule makes it "0".
        w.limitPanel().T1HI->selectAll();
        w.limitPanel().T1HI->insert(QStringLiteral("1.5.5"));
        QCOMPARE(w.limitPanel().T1HI->text(), QStringLiteral("0"));
        // A reading is judged against the limits with the locale's separator.
        w.limitPanel().T1HI->selectAll();
        w.limitPanel().T1HI->insert(QStringLiteral("2,5"));
        t.receive(wire({dcVolts("02000")}));
        QCOMPARE(w.limitPanel().T1VALUE->text(), QStringLiteral("02,000"));
        QCOMPARE(w.limitPanel().judge->text(), QStringLiteral("Pass"));
    }

    void verdictColours_data()
    {
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("inside") << QByteArray("01500") << QStringLiteral("Pass");
        QTest::newRow("on the high limit") << QByteArray("02000") << QStringLiteral("Pass");
        QTest::newRow("on the low limit") << QByteArray("01000") << QStringLiteral("Pass");
        QTest::newRow("above") << QByteArray("02001") << QStringLiteral("Fail");
        QTest::newRow("below") << QByteArray("00999") << QStringLiteral("Fail");
    }

    void verdictColours()
    {
        QFETCH(QByteArray, digits);
        QFETCH(QString, verdict);
        Window t;
        TFCOMM& w = t.w;
        w.limitPanel().T1LO->setText(QStringLiteral("1.000"));
        w.limitPanel().T1HI->setText(QStringLiteral("2.000"));
        t.receive(wire({dcVolts(digits.constData())}));
        QCOMPARE(w.limitPanel().judge->text(), verdict);
        const QColor colour = verdict == QLatin1String("Pass") ? kGreen : kRed;
        QCOMPARE(baseOf(w.limitPanel().T1VALUE), colour);
        QCOMPARE(w.limitPanel().Shape1->brushColor(), colour);
        QCOMPARE(w.limitPanel().judge->palette().color(QPalette::Window), colour);
        QCOMPARE(w.limitPanel().T1VALUE->text(), QString::fromLatin1(digits.left(2) + '.' + digits.mid(2)));
    }

    void quitAndCloseBoxAskFirst()
    {
        Window t;
        TFCOMM& w = t.w;
        t.answer = false;
        QTest::mouseClick(w.connectionBar().BitBtn1, Qt::LeftButton);
        QCOMPARE(t.questions, QStringList{kQuitQuestion});
        QVERIFY(w.isVisible());
        // The close box asks the same question; No keeps the window and its data.
        QVERIFY(!w.close());
        QCOMPARE(t.questions.size(), 2);
        QCOMPARE(t.questions[1], kQuitQuestion);
        QVERIFY(w.isVisible());
        t.answer = true;
        QVERIFY(w.close());
        QCOMPARE(t.questions.size(), 3);
    }

    void burstOfFramesThroughThePseudoTerminal()
    {
        std::string error;
        auto pty = tavolo::sim::PtyLine::open(error);
        QVERIFY2(pty, error.c_str());
        auto link = tavolo::sim::PortLink::create(m_ports.path().toStdString(), "COM1", pty->slavePath(), error);
        QVERIFY2(link, error.c_str());
        Window t;
        TFCOMM& w = t.w;
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(t.COMM2().IsPortOpen());

        // 60 frames in one burst, a damaged one among them, the last reading 1.234 V.
        std::vector<tavolo::sim::MeterFrame> frames;
        for (int i = 0; i < 59; ++i)
            frames.push_back(dcVolts(i == 30 ? "0C234" : "05678"));
        frames.push_back(dcVolts("01234"));
        const std::vector<std::uint8_t> bytes = wire(frames);
        QCOMPARE(pty->write(bytes.data(), bytes.size()), tavolo::sim::PtyLine::WriteResult::Sent);

        QTRY_COMPARE_WITH_TIMEOUT(w.lcdPanel().Panel1->readout(), QStringLiteral("1.234"), 3000);
        QCOMPARE(w.limitPanel().T1VALUE->text(), QStringLiteral("01.234"));
        QCOMPARE(w.limitPanel().judge->text(), QStringLiteral("Pass"));
        QVERIFY(w.lcdPanel().Panel1->state().visible(tavolo::LcdControl::LcdDc1));
        // The damaged frame is counted in the status line; nothing blocked.
        QCOMPARE(w.conversionErrorCount(), 1);
        QVERIFY2(w.statusLine()->text().contains(QLatin1String("(1 so far)")), qPrintable(w.statusLine()->text()));
        QVERIFY(t.messages.isEmpty());
        // 59 frames decoded to the end: an odd number of flips leaves the "lit" picture up.
        QCOMPARE(w.decoder().framesAccepted(), std::uint64_t(60));
        QVERIFY(w.limitPanel().CONok->isVisible() && !w.limitPanel().CONokN->isVisible());
    }

private:
    QTemporaryDir m_ports;
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
