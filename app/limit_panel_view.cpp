#include "app/limit_panel_view.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include "app/control_factory.h"
#include "app/core_text.h"
#include "app/pictures.h"
#include "app/shape_circle.h"
#include "app/window_fonts.h"
#include "app/window_services.h"
#include "decode/limit_panel.h"
#include "record/meter_session.h"

namespace tavolo {
namespace {

// The key as the 8-bit character the filters judge; 0 (never passes) beyond Latin-1.
char keyChar(QChar key) { return key.unicode() <= 0xFF ? static_cast<char>(key.unicode()) : '\0'; }

}  // namespace

LimitPanelView::LimitPanelView(QWidget& client, QWidget& hidden, MeterSession& session,
                               RepaintScheduler& scheduler, WindowServices& services, QObject* parent)
    : QObject(parent), m_session(session), m_scheduler(scheduler), m_services(services)
{
    setObjectName(QStringLiteral("LimitPanelView"));
    createControls(client, hidden);

    connect(T1HI, &QLineEdit::textChanged, this, [this] { T1HIChange(T1HI); });
    connect(T1LO, &QLineEdit::textChanged, this, [this] { T1HIChange(T1LO); });
    connect(Setmax, &QLineEdit::textChanged, this, &LimitPanelView::SetmaxExit);
    connect(SetMaxB, &QCheckBox::clicked, this, &LimitPanelView::SetmaxExit);
    connect(SetMin, &QLineEdit::textChanged, this, &LimitPanelView::SetMinExit);
    connect(SetMinB, &QCheckBox::clicked, this, &LimitPanelView::SetMinExit);
    // "Continue Record" is read by the decoder's mode-change step.
    connect(multirange, &QCheckBox::clicked, this,
            [this](bool on) { m_session.decoder().limits().setMultirange(on); });
    for (QWidget* w : {static_cast<QWidget*>(T1HI), static_cast<QWidget*>(T1LO), static_cast<QWidget*>(Setmax),
                       static_cast<QWidget*>(SetMin)})
        w->installEventFilter(this);

    m_session.addObserver(this);
    m_scheduler.add(this);
}

LimitPanelView::~LimitPanelView()
{
    m_scheduler.remove(this);
    m_session.removeObserver(this);
}

void LimitPanelView::createControls(QWidget& client, QWidget& hidden)
{
    Panel4 = panel(&client, "Panel4", QRect(340, 30, 371, 132));
    const QFont limitFont = arialFont(11, true);
    T1_HI = label(Panel4, "T1_HI", QStringLiteral("Set Hi Limit:"), QPoint(16, 20), limitFont);
    T1HI = edit(Panel4, "T1HI", QStringLiteral("22000"), QRect(112, 16, 81, 22));
    T1HI->setFont(limitFont);
    T1HI->setToolTip(QStringLiteral("Can't for empty"));
    T1_Value = label(Panel4, "T1_Value", QStringLiteral("Measure Value:"), QPoint(16, 64), limitFont);
    T1VALUE = edit(Panel4, "T1VALUE", QStringLiteral("0"), QRect(112, 54, 129, 32));
    T1VALUE->setFont(arialFont(21, true));
    T1VALUE->setReadOnly(true);  // it shows the meter's value; typing there would be judged
    const QColor info = Panel4->palette().color(QPalette::ToolTipBase);
    setBackground(T1VALUE, info);
    T1VALUE->setAutoFillBackground(false);
    T1_LO = label(Panel4, "T1_LO", QStringLiteral("Set Low Limit:"), QPoint(16, 100), limitFont);
    T1LO = edit(Panel4, "T1LO", QStringLiteral("-22000"), QRect(112, 100, 81, 22));
    T1LO->setFont(limitFont);
    T1LO->setToolTip(QStringLiteral("Can't for empty"));
    Shape1 = new ShapeCircle(Panel4);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(245, 8, 113, 121);
    judge = new QLabel(Panel4);
    judge->setObjectName(QStringLiteral("judge"));
    judge->setFont(msSansSerifFont(32, true));
    judge->move(275, 52);
    setBackground(judge, info);
    judge->adjustSize();
    CONokN = new QLabel(Panel4);
    CONokN->setObjectName(QStringLiteral("CONokN"));
    CONokN->setGeometry(345, 0, 25, 24);
    CONokN->setPixmap(connectionPicture(false));
    CONok = new QLabel(Panel4);
    CONok->setObjectName(QStringLiteral("CONok"));
    CONok->setGeometry(345, 0, 25, 24);
    CONok->setPixmap(connectionPicture(true));
    CONok->hide();

    // Hidden: the alarm texts and edits.
    const QFont font = hidden.font();
    Panel3 = panel(&hidden, "Panel3", QRect(8, 70, 340, 24));
    Panel3->hide();
    Label12 = label(Panel3, "Label12", QStringLiteral("MAX: "), QPoint(4, 4), font);
    MaxText = label(Panel3, "MaxText", QStringLiteral("  22000"), QPoint(44, 4), font);
    MaxTextU = label(Panel3, "MaxTextU", QStringLiteral("*"), QPoint(110, 4), font);
    Label11 = label(Panel3, "Label11", QStringLiteral("MIN: "), QPoint(170, 4), font);
    MinText = label(Panel3, "MinText", QStringLiteral("-22000"), QPoint(210, 4), font);
    MinTextU = label(Panel3, "MinTextU", QStringLiteral("*"), QPoint(276, 4), font);
    SetMaxB = checkBox(&hidden, "SetMaxB", QStringLiteral("SetMax:"), QRect(8, 100, 70, 17), false);
    Setmax = edit(&hidden, "Setmax", QStringLiteral("22000"), QRect(80, 98, 60, 21));
    SetMinB = checkBox(&hidden, "SetMinB", QStringLiteral("SetMin: "), QRect(150, 100, 70, 17), false);
    SetMin = edit(&hidden, "SetMin", QStringLiteral("-22000"), QRect(222, 98, 60, 21));
    multirange = checkBox(&hidden, "multirange", QStringLiteral("Continue Record"), QRect(290, 100, 120, 17), true);
}

void LimitPanelView::frameEnded(std::string_view, bool) { m_scheduler.schedule(this); }
void LimitPanelView::readingHandled(const HandledReading&) { m_scheduler.schedule(this); }
void LimitPanelView::conversionError(std::string_view) { m_scheduler.schedule(this); }

void LimitPanelView::repaintFromModel()
{
    const PanelState& panelState = m_session.decoder().panel();
    const LimitPanel& limits = m_session.decoder().limits();

    CONok->setVisible(panelState.visible(LcdControl::CONok));
    CONokN->setVisible(panelState.visible(LcdControl::CONokN));

    const QString value = fromCoreText(limits.t1valueText());
    if (T1VALUE->text() != value)
        T1VALUE->setText(value);
    const QColor info = Panel4->palette().color(QPalette::ToolTipBase);
    const std::optional<Rgb> verdict = limits.verdictColour();
    const QColor colour = verdict ? QColor(verdict->r, verdict->g, verdict->b) : info;
    setBaseColour(T1VALUE, colour);
    Shape1->setBrushColor(colour);
    setBaseColour(judge, colour);
    const QString caption = fromCoreText(limits.judgeCaption());
    if (judge->text() != caption) {
        judge->setText(caption);
        judge->adjustSize();
    }

    // The decoder corrects the separator of the limit texts at every frame.
    applyEditState(T1HI, limits.t1hi().text, limits.t1hi().selStart, limits.t1hi().selLength);
    applyEditState(T1LO, limits.t1lo().text, limits.t1lo().selStart, limits.t1lo().selLength);
    const QSignalBlocker a(Setmax);
    const QSignalBlocker b(SetMin);
    const QString maxText = fromCoreText(limits.setmaxText());
    if (Setmax->text() != maxText)
        Setmax->setText(maxText);
    const QString minText = fromCoreText(limits.setMinText());
    if (SetMin->text() != minText)
        SetMin->setText(minText);
}

void LimitPanelView::applyEditState(QLineEdit* edit, const std::string& text, int selStart, int selLength)
{
    const QString wanted = fromCoreText(text);
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

bool LimitPanelView::T1HIKeyPress(QLineEdit* edit, QChar key)
{
    (void)edit;
    const char c = keyChar(key);
    return c != '\0' && tavolo::T1HIKeyPress(c, m_session.decoder().limits().decimalSymbol());
}

void LimitPanelView::T1HIChange(QLineEdit* edit)
{
    LimitPanel& limits = m_session.decoder().limits();
    // Typed keys are filtered already; a pasted text with the other separator
    // ("1.5" where the locale writes "1,5") is mended as the next frame would
    // mend it, instead of being thrown away as no number.
    std::string text = toCoreText(edit->text());
    correctSeparator(text, limits.decimalSymbol());
    const int selStart = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int selLength = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
    const EditState& state =
        edit == T1HI ? limits.changeT1HI(text, selStart, selLength) : limits.changeT1LO(text, selStart, selLength);
    applyEditState(edit, state.text, state.selStart, state.selLength);
}

bool LimitPanelView::SetmaxKeyPress(QChar key)
{
    const char c = keyChar(key);
    return c != '\0' && tavolo::SetmaxKeyPress(c);
}

void LimitPanelView::SetmaxExit()
{
    LimitPanel& limits = m_session.decoder().limits();
    std::optional<std::string> error;
    if (limits.setMaxChecked() != SetMaxB->isChecked())
        error = limits.setSetMaxChecked(SetMaxB->isChecked());
    else
        error = limits.setSetmaxText(toCoreText(Setmax->text()));
    if (error)
        m_services.statusNote(fromCoreText(*error));
}

void LimitPanelView::SetMinExit()
{
    LimitPanel& limits = m_session.decoder().limits();
    std::optional<std::string> error;
    if (limits.setMinChecked() != SetMinB->isChecked())
        error = limits.setSetMinChecked(SetMinB->isChecked());
    else
        error = limits.setSetMinText(toCoreText(SetMin->text()));
    if (error)
        m_services.statusNote(fromCoreText(*error));
}

bool LimitPanelView::eventFilter(QObject* watched, QEvent* event)
{
    if (const std::optional<QChar> c = typedCharacter(event)) {
        bool pass = true;
        if (watched == T1HI || watched == T1LO)
            pass = T1HIKeyPress(static_cast<QLineEdit*>(watched), *c);
        else if (watched == Setmax || watched == SetMin)
            pass = SetmaxKeyPress(*c);
        if (!pass)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavolo
