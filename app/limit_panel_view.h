#pragma once

#include <QObject>

#include <string>

#include "app/repaint_scheduler.h"
#include "record/session_observer.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QWidget;

namespace tavolo {

class MeterSession;
class ShapeCircle;
class WindowServices;

// The limit panel Panel4 (Hi/Lo limit edits, the measure value, the verdict
// circle and caption, the connection pictures) and the hidden alarm controls
// (Panel3 with its MAX/MIN labels, SetMax/SetMin, "Continue Record"). The rules
// are the core's LimitPanel; the handlers forward keys and texts and write back
// what the rules make of them. Observes the session and redraws at the next
// repaint pass. GUI thread only; session, scheduler and services outlive it.
class LimitPanelView final : public QObject, private SessionObserver, private RepaintTarget {
    Q_OBJECT

public:
    LimitPanelView(QWidget& client, QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler,
                   WindowServices& services, QObject* parent = nullptr);
    ~LimitPanelView() override;

    // ---- Controls ----
    QFrame* Panel4 = nullptr;
    QLabel* T1_HI = nullptr;
    QLineEdit* T1HI = nullptr;
    QLabel* T1_Value = nullptr;
    QLineEdit* T1VALUE = nullptr;
    QLabel* T1_LO = nullptr;
    QLineEdit* T1LO = nullptr;
    ShapeCircle* Shape1 = nullptr;
    QLabel* judge = nullptr;
    QLabel* CONokN = nullptr;
    QLabel* CONok = nullptr;
    // Hidden
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
    QCheckBox* multirange = nullptr;  // "Continue Record"

public slots:
    void T1HIChange(QLineEdit* edit);
    bool T1HIKeyPress(QLineEdit* edit, QChar key);  // true: the key passes
    bool SetmaxKeyPress(QChar key);                  // true: the key passes
    void SetmaxExit();
    void SetMinExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(QWidget& client, QWidget& hidden);
    void frameEnded(std::string_view frameText, bool accepted) override;
    void readingHandled(const HandledReading& handled) override;
    void conversionError(std::string_view message) override;
    void repaintFromModel() override;
    static void applyEditState(QLineEdit* edit, const std::string& text, int selStart, int selLength);

    MeterSession& m_session;
    RepaintScheduler& m_scheduler;
    WindowServices& m_services;
};

}  // namespace tavolo
