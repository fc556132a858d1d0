#pragma once

#include <QObject>

#include "app/repaint_scheduler.h"
#include "record/session_observer.h"

class QWidget;

namespace tavolo {

class LcdPanelWidget;
class MeterSession;

// The LCD panel Panel1 (with the bar graph PBar2 drawn inside it): observes the
// session and draws the decoder's panel state at the next repaint pass.
// GUI thread only; the session and the scheduler must outlive it.
class LcdPanelView final : public QObject, private SessionObserver, private RepaintTarget {
    Q_OBJECT

public:
    LcdPanelView(QWidget& client, MeterSession& session, RepaintScheduler& scheduler, QObject* parent = nullptr);
    ~LcdPanelView() override;

    // The receive picture (LCDsend) shown while the USB link is on.
    void setSendVisible(bool visible);

    LcdPanelWidget* Panel1 = nullptr;

private:
    void frameEnded(std::string_view frameText, bool accepted) override;
    void readingHandled(const HandledReading& handled) override;
    void conversionError(std::string_view message) override;
    void repaintFromModel() override;

    MeterSession& m_session;
    RepaintScheduler& m_scheduler;
};

}  // namespace tavolo
