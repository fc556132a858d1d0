#include "app/control_factory.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/window_fonts.h"

namespace tavolo {

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

void setBaseColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    if (pal.color(QPalette::Base) == colour && pal.color(QPalette::Window) == colour)
        return;
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
}

QFrame* panel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    f->setLineWidth(1);
    f->setGeometry(geometry);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, QPoint at, const QFont& font)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    l->move(at);
    l->adjustSize();
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(geometry);
    return e;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                    bool checked)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(geometry);
    c->setChecked(checked);
    return c;
}

QToolButton* speedButton(QWidget* parent, const char* name, const QRect& geometry, const QIcon& icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setIcon(icon);
    b->setIconSize(QSize(16, 15));
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus
    return b;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption, bool checkable, bool checked)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setCheckable(checkable);
    a->setChecked(checked);
    return a;
}

ClickPanel* actionPanel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        int pixelSize)
{
    auto* p = new ClickPanel(caption, parent);
    p->setObjectName(QLatin1String(name));
    p->setGeometry(geometry);
    p->setFrameStyle(QFrame::Panel | QFrame::Raised);
    p->setFont(arialFont(pixelSize, true, true));
    setBackground(p, kBlue);
    setTextColour(p, Qt::yellow);
    return p;
}

std::optional<QChar> typedCharacter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return std::nullopt;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return std::nullopt;
    const QChar c = text.front();
    if (!c.isPrint() && c != QChar(8))
        return std::nullopt;
    return c;
}

}  // namespace tavolo
