#include "app/click_panel.h"

#include <QMouseEvent>

namespace tavolo {

ClickPanel::ClickPanel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

ClickPanel::ClickPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setAlignment(Qt::AlignCenter);
}

void ClickPanel::click()
{
    if (isEnabled())
        emit clicked();
}

void ClickPanel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
    event->accept();
}

}  // namespace tavolo
