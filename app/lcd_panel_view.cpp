#include "app/lcd_panel_view.h"

#include "app/lcd_panel_widget.h"
#include "record/meter_session.h"

namespace tavolo {

LcdPanelView::LcdPanelView(QWidget& client, MeterSession& session, RepaintScheduler& scheduler, QObject* parent)
    : QObject(parent), m_session(session), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("LcdPanelView"));
    Panel1 = new LcdPanelWidget(&client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(3, 28, 334, 181);
    m_session.addObserver(this);
    m_scheduler.add(this);
}

LcdPanelView::~LcdPanelView()
{
    m_scheduler.remove(this);
    m_session.removeObserver(this);
}

void LcdPanelView::setSendVisible(bool visible)
{
    m_session.decoder().panel().setVisible(LcdControl::LCDsend, visible);
    m_scheduler.schedule(this);
}

void LcdPanelView::frameEnded(std::string_view, bool) { m_scheduler.schedule(this); }
void LcdPanelView::readingHandled(const HandledReading&) { m_scheduler.schedule(this); }
void LcdPanelView::conversionError(std::string_view) { m_scheduler.schedule(this); }

void LcdPanelView::repaintFromModel() { Panel1->setState(m_session.decoder().panel()); }

}  // namespace tavolo
