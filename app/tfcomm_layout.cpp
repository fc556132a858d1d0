// Every control of the window at its place and size, with its caption, font and
// colour, and the connection of every control to its handler. Positions are
// pixels in the parent's client area; font sizes are pixel heights.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/lcd_panel_widget.h"
#include "app/pictures.h"
#include "app/shape_circle.h"
#include "app/tfcomm.h"
#include "app/window_fonts.h"
#include "decode/meter_decoder.h"

using tavolo::ClickPanel;

namespace {

constexpr int kClientWidth = 714;
constexpr int kClientHeight = 477;

const QColor kSilver(192, 192, 192);
const QColor kBlue(0x00, 0x80, 0xFF);
const QColor kLightBlue(0xC0, 0xDD, 0xF8);

void setBackground(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Button, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::ButtonText, colour);
    pal.setColor(QPalette::Text, colour);
    w->setPalette(pal);
}

// A panel with the default look: a raised one-pixel bevel.
QFrame* panel(QWidget* parent, const QRect& geometry)
{
    auto* f = new QFrame(parent);
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    f->setLineWidth(1);
    f->setGeometry(geometry);
    return f;
}

QLabel* label(QWidget* parent, const QString& caption, QPoint at, const QFont& font)
{
    auto* l = new QLabel(caption, parent);
    l->setFont(font);
    l->move(at);
    l->adjustSize();
    return l;
}

QLineEdit* edit(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* e = new QLineEdit(text, parent);
    e->setGeometry(geometry);
    return e;
}

QCheckBox* checkBox(QWidget* parent, const QString& caption, const QRect& geometry, bool checked)
{
    auto* c = new QCheckBox(caption, parent);
    c->setGeometry(geometry);
    c->setChecked(checked);
    return c;
}

QToolButton* speedButton(QWidget* parent, const QRect& geometry, const QIcon& icon)
{
    auto* b = new QToolButton(parent);
    b->setGeometry(geometry);
    b->setIcon(icon);
    b->setIconSize(QSize(16, 15));
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus
    return b;
}

QAction* item(QMenu* menu, const QString& caption, bool checkable = false, bool checked = false)
{
    QAction* a = menu->addAction(caption);
    a->setCheckable(checkable);
    a->setChecked(checked);
    return a;
}

// A port selector panel: silver, lowered inner bevel, "COM n" in Arial 16 bold.
ClickPanel* selectorPanel(QWidget* parent, int port, const QRect& geometry)
{
    auto* p = new ClickPanel(QStringLiteral("COM %1").arg(port), parent);
    p->setGeometry(geometry);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setFont(tavolo::arialFont(16, true));
    setBackground(p, kSilver);
    setTextColour(p, Qt::black);
    return p;
}

// The connect/disconnect/exit panels below the client area: blue, raised, yellow text.
ClickPanel* actionPanel(QWidget* parent, const QString& caption, const QRect& geometry, int pixelSize)
{
    auto* p = new ClickPanel(caption, parent);
    p->setGeometry(geometry);
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    p->setFont(tavolo::arialFont(pixelSize, true, true));
    setBackground(p, kBlue);
    setTextColour(p, Qt::yellow);
    return p;
}

}  // namespace

void TFCOMM::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    // The window's default font: "MS Sans Serif" 11 px bold.
    setFont(tavolo::msSansSerifFont(11, true));

    // --- Chart first, so the tool bar and the LCD panel lie above it when it is enlarged.
    auto* chart = new QFrame(client);
    chart->setObjectName(QStringLiteral("Chtshow"));
    chart->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    chart->setGeometry(336, 204, 376, 269);
    setBackground(chart, kLightBlue);
    Chtshow = chart;
    ComboBox1 = new QComboBox(Chtshow);
    ComboBox1->addItems({QStringLiteral("atile"), QStringLiteral("btile")});
    ComboBox1->setGeometry(8, 8, 60, 21);
    ComboBox1->hide();

    // --- Top bar Panel6 (its top 4 pixels lie above the client area).
    Panel6 = panel(client, QRect(5, -4, 707, 34));
    BtCOM1 = selectorPanel(Panel6, 1, QRect(5, 6, 61, 24));
    BtCOM2 = selectorPanel(Panel6, 2, QRect(3, 6, 61, 24));
    BtCOM3 = selectorPanel(Panel6, 3, QRect(5, 6, 61, 24));
    BtCOM4 = selectorPanel(Panel6, 4, QRect(3, 5, 61, 24));
    BtCOM2->hide();
    BtCOM3->hide();
    BtCOM4->hide();

    // Two-state speed buttons: like every speed button, Tab passes them by.
    auto twoState = [this](const QString& caption, const QRect& geometry) {
        QToolButton* b = speedButton(Panel6, geometry, QIcon());
        b->setText(caption);
        b->setCheckable(true);
        b->setFont(tavolo::arialFont(13, true));
        setTextColour(b, Qt::black);
        return b;
    };
    COMCon = twoState(QStringLiteral("COM Connect"), QRect(66, 5, 152, 25));
    USBCon = twoState(QStringLiteral("USB Connect"), QRect(221, 6, 119, 25));

    BitBtn1 = new QPushButton(QStringLiteral("QUIT"), Panel6);
    BitBtn1->setGeometry(605, 5, 89, 25);
    BitBtn1->setFont(tavolo::arialFont(14, true, true));
    setTextColour(BitBtn1, Qt::black);

    // --- LCD panel Panel1.
    Panel1 = new tavolo::LcdPanelWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(3, 28, 334, 181);

    // --- Limit panel Panel4.
    Panel4 = panel(client, QRect(340, 30, 371, 132));
    const QFont limitFont = tavolo::arialFont(11, true);
    T1_HI = label(Panel4, QStringLiteral("Set Hi Limit:"), QPoint(16, 20), limitFont);
    T1HI = edit(Panel4, QStringLiteral("22000"), QRect(112, 16, 81, 22));
    T1HI->setFont(limitFont);
    T1HI->setToolTip(QStringLiteral("Can't for empty"));
    T1_Value = label(Panel4, QStringLiteral("Measure Value:"), QPoint(16, 64), limitFont);
    T1VALUE = edit(Panel4, QStringLiteral("0"), QRect(112, 54, 129, 32));
    T1VALUE->setFont(tavolo::arialFont(21, true));
    T1VALUE->setReadOnly(true);  // it shows the meter's value; typing there would be judged
    setBackground(T1VALUE, palette().color(QPalette::ToolTipBase));
    T1VALUE->setAutoFillBackground(false);
    T1_LO = label(Panel4, QStringLiteral("Set Low Limit:"), QPoint(16, 100), limitFont);
    T1LO = edit(Panel4, QStringLiteral("-22000"), QRect(112, 100, 81, 22));
    T1LO->setFont(limitFont);
    T1LO->setToolTip(QStringLiteral("Can't for empty"));
    Shape1 = new tavolo::ShapeCircle(Panel4);
    Shape1->setGeometry(245, 8, 113, 121);
    judge = new QLabel(Panel4);
    judge->setFont(tavolo::msSansSerifFont(32, true));
    judge->move(275, 52);
    setBackground(judge, palette().color(QPalette::ToolTipBase));
    judge->adjustSize();
    CONokN = new QLabel(Panel4);
    CONokN->setGeometry(345, 0, 25, 24);
    CONokN->setPixmap(tavolo::connectionPicture(false));
    CONok = new QLabel(Panel4);
    CONok->setGeometry(345, 0, 25, 24);
    CONok->setPixmap(tavolo::connectionPicture(true));
    CONok->hide();

    // --- Record row, on the window at top 210.
    const QFont rowFont = tavolo::msSansSerifFont(11, false);
    RepeatSet = checkBox(client, QStringLiteral("Repeat"), QRect(1, 210, 54, 20), true);
    RepeatSet->setFont(rowFont);
    RecordSI = checkBox(client, QStringLiteral("Sampling Interval           'S"), QRect(55, 210, 143, 20), false);
    // The caption's blank part lies under RecordSITime. This face is wider than
    // the original one: set a little tighter so "Sampling Interval" ends before
    // the edit and the "'S" after it stays inside the box.
    QFont siFont = rowFont;
    siFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    siFont.setWordSpacing(-1.0);
    RecordSI->setFont(siFont);
    RecordSITime = edit(client, QStringLiteral("10"), QRect(157, 210, 27, 21));
    RecordNew = speedButton(client, QRect(246, 210, 23, 21), tavolo::blankPageIcon());
    RecordNew->setAutoRaise(true);  // flat: its bevel shows only under the mouse
    RecordNew->setToolTip(QStringLiteral("Close Data"));
    OpenDataFiles = speedButton(client, QRect(268, 210, 23, 21), tavolo::openFolderIcon());
    OpenDataFiles->setToolTip(QStringLiteral("Open old data files"));
    saveas = speedButton(client, QRect(290, 210, 23, 21), tavolo::floppyIcon());
    saveas->setToolTip(QStringLiteral("Save data files"));
    BtPrint = speedButton(client, QRect(312, 210, 22, 21), tavolo::printerIcon());

    // --- Reading grid.
    DBGrid1 = new QTableView(client);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(1, 232, 334, 241);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setShowGrid(true);
    DBGrid1->setFont(tavolo::arialFont(12, false));
    DBGrid1->horizontalHeader()->setFont(tavolo::msSansSerifFont(11, false));
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->verticalHeader()->hide();

    // --- Chart tool bar Panel5 (created after the chart: it stays above the enlarged chart).
    Panel5 = panel(client, QRect(341, 166, 372, 38));
    BtFill = checkBox(Panel5, QStringLiteral("Fill"), QRect(24, 4, 44, 17), true);
    BtFill->setFont(tavolo::msSansSerifFont(13, false));
    setBackground(BtFill, kSilver);
    Maxrecord = edit(Panel5, QStringLiteral("100"), QRect(91, 2, 49, 21));
    setBackground(Maxrecord, kSilver);
    BtSave = speedButton(Panel5, QRect(149, 3, 28, 21), tavolo::floppyIcon());
    BtFirst = speedButton(Panel5, QRect(179, 3, 25, 21), tavolo::firstIcon());
    BTPrevious = speedButton(Panel5, QRect(203, 3, 25, 21), tavolo::previousIcon());
    Bt10 = speedButton(Panel5, QRect(227, 3, 25, 21), QIcon());
    Bt10->setText(QStringLiteral("1"));
    Bt10->setFont(tavolo::msSansSerifFont(11, false));
    setTextColour(Bt10, Qt::blue);
    BtNext = speedButton(Panel5, QRect(251, 3, 25, 21), tavolo::nextIcon());
    BTlast = speedButton(Panel5, QRect(275, 3, 25, 21), tavolo::lastIcon());
    TbFd = new ClickPanel(Panel5);
    TbFd->setGeometry(312, 3, 25, 25);
    TbFd->setPixmap(tavolo::magnifierPicture(true));
    TbSx = new ClickPanel(Panel5);
    TbSx->setGeometry(334, 6, 25, 25);
    TbSx->setPixmap(tavolo::magnifierPicture(false));
    TbSx->hide();

    // The record row's edit lies on the blank part of RecordSI's caption.
    RecordSITime->raise();

    // --- Timers.
    ConTimer = new QTimer(this);
    ConTimer->setInterval(300);
    Trecord = new QTimer(this);
    Trecord->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(2000);
    Timer2->setSingleShot(true);

    // --- A status line under the client area for notices that must not block.
    StatusLine = new QLabel(this);
    StatusLine->setFont(tavolo::msSansSerifFont(11, false));
    statusBar()->addWidget(StatusLine, 1);
    statusBar()->setSizeGripEnabled(false);

    createHiddenControls();
}

void TFCOMM::createHiddenControls()
{
    // A container that is never shown holds the controls the user never sees:
    // they keep state for the handlers but neither the mouse nor Tab reaches them.
    HiddenArea = new QWidget(centralWidget());
    HiddenArea->setObjectName(QStringLiteral("HiddenArea"));
    HiddenArea->setGeometry(0, kClientHeight, kClientWidth, 400);
    HiddenArea->hide();
    QWidget* h = HiddenArea;

    IFVexa = checkBox(h, QStringLiteral("IFVexa"), QRect(8, 8, 80, 17), true);
    IFHalvo = checkBox(h, QStringLiteral("Halvo"), QRect(96, 8, 80, 17), false);
    IFHalvo->hide();

    BTCon = actionPanel(h, QStringLiteral("Connect"), QRect(8, 32, 120, 30), 19);
    BtDiscon = actionPanel(h, QStringLiteral("Disconnect"), QRect(136, 32, 120, 30), 16);
    BtDiscon->hide();
    BtExit = actionPanel(h, QStringLiteral("Exit"), QRect(264, 32, 80, 30), 19);

    Panel3 = panel(h, QRect(8, 70, 340, 24));
    Panel3->hide();
    Label12 = label(Panel3, QStringLiteral("MAX: "), QPoint(4, 4), font());
    MaxText = label(Panel3, QStringLiteral("  22000"), QPoint(44, 4), font());
    MaxTextU = label(Panel3, QStringLiteral("*"), QPoint(110, 4), font());
    Label11 = label(Panel3, QStringLiteral("MIN: "), QPoint(170, 4), font());
    MinText = label(Panel3, QStringLiteral("-22000"), QPoint(210, 4), font());
    MinTextU = label(Panel3, QStringLiteral("*"), QPoint(276, 4), font());

    SetMaxB = checkBox(h, QStringLiteral("SetMax:"), QRect(8, 100, 70, 17), false);
    Setmax = edit(h, QStringLiteral("22000"), QRect(80, 98, 60, 21));
    SetMinB = checkBox(h, QStringLiteral("SetMin: "), QRect(150, 100, 70, 17), false);
    SetMin = edit(h, QStringLiteral("-22000"), QRect(222, 98, 60, 21));
    multirange = checkBox(h, QStringLiteral("Continue Record"), QRect(290, 100, 120, 17), true);

    Panel2 = panel(h, QRect(8, 126, 420, 26));
    RecallCheck = checkBox(Panel2, QStringLiteral("RecallData"), QRect(4, 4, 84, 17), false);
    Label2 = label(Panel2, QStringLiteral("StartTime:"), QPoint(92, 6), font());
    TimeH = edit(Panel2, QStringLiteral("23"), QRect(160, 2, 24, 21));
    Label3 = label(Panel2, QStringLiteral(":"), QPoint(186, 6), font());
    TimeM = edit(Panel2, QStringLiteral("59"), QRect(192, 2, 24, 21));
    Label4 = label(Panel2, QStringLiteral(":"), QPoint(218, 6), font());
    TimeS = edit(Panel2, QStringLiteral("59"), QRect(224, 2, 24, 21));
    Label1 = label(Panel2, QStringLiteral("Interval"), QPoint(260, 6), font());
    TimeInt = edit(Panel2, QStringLiteral("1"), QRect(316, 2, 30, 21));
    Label5 = label(Panel2, QStringLiteral("'S"), QPoint(350, 6), font());

    BtNew = speedButton(h, QRect(8, 160, 23, 21), tavolo::blankPageIcon());

    ReadBtn = new QToolButton(h);
    ReadBtn->setText(QStringLiteral("Read"));
    ReadBtn->setCheckable(true);
    ReadBtn->setGeometry(40, 160, 60, 21);
    ClearBtn = new QToolButton(h);
    ClearBtn->setText(QStringLiteral("Clear"));
    ClearBtn->setGeometry(104, 160, 60, 21);
    InfoBtn = new QToolButton(h);
    InfoBtn->setText(QStringLiteral("Info"));
    InfoBtn->setGeometry(168, 160, 60, 21);
    SetFeature = new QPushButton(QStringLiteral("SetFeature"), h);
    SetFeature->setGeometry(232, 160, 90, 21);
    DevListBox = new QListWidget(h);
    DevListBox->setGeometry(8, 190, 200, 80);
    HistoryListBox = new QListWidget(h);
    HistoryListBox->setGeometry(216, 190, 300, 80);
    Memo1 = new QPlainTextEdit(QStringLiteral("Memo1"), h);
    Memo1->setGeometry(8, 280, 250, 80);
    Memo2 = new QPlainTextEdit(QStringLiteral("Memo2"), h);
    Memo2->setGeometry(266, 280, 250, 80);
    USBtxt = label(h, QStringLiteral("6001"), QPoint(530, 8), font());
    USBtxt->hide();

    // Nothing in here takes the focus, should the container ever be shown.
    for (QWidget* w : HiddenArea->findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);
}

void TFCOMM::createMenus()
{
    QMenuBar* bar = menuBar();

    ComSetup1 = bar->addMenu(QStringLiteral("ComSetup"));
    COM11 = item(ComSetup1, QStringLiteral("COM1"), true, true);
    COM21 = item(ComSetup1, QStringLiteral("COM2"), true);
    COM31 = item(ComSetup1, QStringLiteral("COM3"), true);
    COM41 = item(ComSetup1, QStringLiteral("COM4"), true);
    ComSetup1->menuAction()->setVisible(false);

    Connect1 = bar->addMenu(QStringLiteral("Connect"));
    START1 = item(Connect1, QStringLiteral("START"), true);
    STOP1 = item(Connect1, QStringLiteral("STOP"), true);
    STOP1->setEnabled(false);
    Connect1->menuAction()->setVisible(false);

    Graphic = bar->addMenu(QStringLiteral("Graphic"));
    First1 = item(Graphic, QStringLiteral("First"));
    Previous1 = item(Graphic, QStringLiteral("Previous"));
    Next1 = item(Graphic, QStringLiteral("Next"));
    Last1 = item(Graphic, QStringLiteral("Last"));
    Graphic->addSeparator();
    New2 = item(Graphic, QStringLiteral("New"));
    Save2 = item(Graphic, QStringLiteral("Save"));
    Graphic->addSeparator();
    Fill1 = item(Graphic, QStringLiteral("Fill"), true, true);
    Graphic->menuAction()->setVisible(false);

    Record1 = bar->addMenu(QStringLiteral("Record"));
    New1 = item(Record1, QStringLiteral("New"));
    New1->setVisible(false);
    Save1 = item(Record1, QStringLiteral("Save"));
    Save1->setVisible(false);
    RecordSeparator = Record1->addSeparator();
    RecordSeparator->setVisible(false);
    N10001 = item(Record1, QStringLiteral("1000"), true);
    N50001 = item(Record1, QStringLiteral("5000"), true);
    N100001 = item(Record1, QStringLiteral("10000"), true, true);
    N500001 = item(Record1, QStringLiteral("50000"), true);
    N1000001 = item(Record1, QStringLiteral("100000"), true);
    limitess = item(Record1, QStringLiteral("limitless"), true);
    // The record limit is one choice of six: one mark, drawn as a radio item.
    auto* limits = new QActionGroup(this);
    limits->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {N10001, N50001, N100001, N500001, N1000001, limitess})
        limits->addAction(a);
}

void TFCOMM::wireHandlers()
{
    // Port selector: the panel showing port n selects port n + 1.
    connect(BtCOM1, &ClickPanel::clicked, this, &TFCOMM::COM21Click);
    connect(BtCOM2, &ClickPanel::clicked, this, &TFCOMM::COM31Click);
    connect(BtCOM3, &ClickPanel::clicked, this, &TFCOMM::COM41Click);
    connect(BtCOM4, &ClickPanel::clicked, this, &TFCOMM::COM11Click);
    connect(COM11, &QAction::triggered, this, &TFCOMM::COM11Click);
    connect(COM21, &QAction::triggered, this, &TFCOMM::COM21Click);
    connect(COM31, &QAction::triggered, this, &TFCOMM::COM31Click);
    connect(COM41, &QAction::triggered, this, &TFCOMM::COM41Click);

    // COMCon and USBCon are one group that may be all up: pressing one releases the other.
    connect(COMCon, &QToolButton::clicked, this, [this](bool down) {
        if (down)
            USBCon->setChecked(false);
        COMConClick();
    });
    connect(USBCon, &QToolButton::clicked, this, [this](bool down) {
        if (down)
            COMCon->setChecked(false);
        USBConClick();
    });
    connect(BTCon, &ClickPanel::clicked, this, &TFCOMM::BTCon1Click);
    connect(START1, &QAction::triggered, this, &TFCOMM::BTCon1Click);
    connect(BtDiscon, &ClickPanel::clicked, this, &TFCOMM::BtDiscon1Click);
    connect(STOP1, &QAction::triggered, this, &TFCOMM::BtDiscon1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFCOMM::BitBtn1Click);
    connect(BtExit, &ClickPanel::clicked, this, &TFCOMM::BtExit1Click);

    // Limit panel and alarm edits (key filters run in eventFilter).
    connect(T1HI, &QLineEdit::textChanged, this, [this] { T1HIChange(T1HI); });
    connect(T1LO, &QLineEdit::textChanged, this, [this] { T1HIChange(T1LO); });
    connect(Setmax, &QLineEdit::textChanged, this, &TFCOMM::SetmaxExit);
    connect(SetMaxB, &QCheckBox::clicked, this, &TFCOMM::SetmaxExit);
    connect(SetMin, &QLineEdit::textChanged, this, &TFCOMM::SetMinExit);
    connect(SetMinB, &QCheckBox::clicked, this, &TFCOMM::SetMinExit);

    // Chart tool bar.
    connect(BtFill, &QCheckBox::clicked, this, &TFCOMM::btFillClick);
    connect(RepeatSet, &QCheckBox::clicked, this, &TFCOMM::btFillClick);
    // "Continue Record" is read by the decoder's mode-change step.
    connect(multirange, &QCheckBox::clicked, this, [this](bool on) { m_decoder->limits().setMultirange(on); });
    connect(multirange, &QCheckBox::clicked, this, &TFCOMM::btFillClick);
    connect(Maxrecord, &QLineEdit::textChanged, this, &TFCOMM::MaxrecordChange);
    connect(BtSave, &QToolButton::clicked, this, &TFCOMM::BtSaveClick);
    connect(BtFirst, &QToolButton::clicked, this, &TFCOMM::BtFirstClick);
    connect(BTPrevious, &QToolButton::clicked, this, &TFCOMM::BTPreviousClick);
    connect(BtNext, &QToolButton::clicked, this, &TFCOMM::BtNextClick);
    connect(BTlast, &QToolButton::clicked, this, &TFCOMM::BTlastClick);
    connect(TbFd, &ClickPanel::clicked, this, &TFCOMM::TbFdClick);
    connect(TbSx, &ClickPanel::clicked, this, &TFCOMM::TbFdClick);
    connect(BtNew, &QToolButton::clicked, this, &TFCOMM::BtNewClick);
    connect(First1, &QAction::triggered, this, &TFCOMM::BtFirstClick);
    connect(Previous1, &QAction::triggered, this, &TFCOMM::BTPreviousClick);
    connect(Next1, &QAction::triggered, this, &TFCOMM::BtNextClick);
    connect(Last1, &QAction::triggered, this, &TFCOMM::BTlastClick);
    connect(New2, &QAction::triggered, this, &TFCOMM::BtNewClick);
    connect(Save2, &QAction::triggered, this, &TFCOMM::BtSaveClick);
    connect(Fill1, &QAction::triggered, this, &TFCOMM::FillClick);

    // Record row and record menu.
    for (QLineEdit* e : {RecordSITime, TimeH, TimeM, TimeS, TimeInt})
        connect(e, &QLineEdit::textChanged, this, [this, e] { RecordSITimeChange(e); });
    connect(RecordNew, &QToolButton::clicked, this, &TFCOMM::RecordNewClick);
    connect(New1, &QAction::triggered, this, &TFCOMM::RecordNewClick);
    connect(OpenDataFiles, &QToolButton::clicked, this, &TFCOMM::SpeedButton2Click);
    connect(saveas, &QToolButton::clicked, this, &TFCOMM::saveasClick);
    connect(Save1, &QAction::triggered, this, &TFCOMM::saveasClick);
    connect(BtPrint, &QToolButton::clicked, this, &TFCOMM::BtPrintClick);
    connect(N10001, &QAction::triggered, this, &TFCOMM::N10001Click);
    connect(N50001, &QAction::triggered, this, &TFCOMM::N50001Click);
    connect(N100001, &QAction::triggered, this, &TFCOMM::N100001Click);
    connect(N500001, &QAction::triggered, this, &TFCOMM::N500001Click);
    connect(N1000001, &QAction::triggered, this, &TFCOMM::N1000001Click);
    connect(limitess, &QAction::triggered, this, &TFCOMM::limitessClick);
    connect(RecallCheck, &QCheckBox::clicked, this, &TFCOMM::RecallCheckClick);

    // USB side.
    connect(ReadBtn, &QToolButton::clicked, this, &TFCOMM::ReadBtnClick);
    connect(ClearBtn, &QToolButton::clicked, this, &TFCOMM::ClearBtnClick);
    connect(InfoBtn, &QToolButton::clicked, this, &TFCOMM::InfoBtnClick);
    connect(SetFeature, &QPushButton::clicked, this, &TFCOMM::SetFeatureClick);

    // Timers.
    connect(ConTimer, &QTimer::timeout, this, &TFCOMM::ConTimerTimer);
    connect(Trecord, &QTimer::timeout, this, &TFCOMM::TrecordTimer);
    connect(Timer2, &QTimer::timeout, this, &TFCOMM::Timer2Timer);

    // Key filters and the focus-leave of RecallCheck.
    for (QWidget* w : {static_cast<QWidget*>(T1HI), static_cast<QWidget*>(T1LO),
                       static_cast<QWidget*>(Setmax), static_cast<QWidget*>(SetMin),
                       static_cast<QWidget*>(Maxrecord), static_cast<QWidget*>(RecordSITime),
                       static_cast<QWidget*>(TimeH), static_cast<QWidget*>(TimeM),
                       static_cast<QWidget*>(TimeS), static_cast<QWidget*>(TimeInt),
                       static_cast<QWidget*>(RecallCheck)})
        w->installEventFilter(this);
}
