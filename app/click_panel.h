#pragma once

#include <QLabel>

namespace tavolo {

// A caption or picture that acts as a button: the window's clickable panels
// (port selector, Connect/Disconnect/Exit) and the chart's enlarge pictures.
// Emits clicked() when the left button is released over it while enabled.
// GUI thread only.
class ClickPanel : public QLabel {
    Q_OBJECT

public:
    explicit ClickPanel(QWidget* parent = nullptr);
    explicit ClickPanel(const QString& caption, QWidget* parent = nullptr);

    // Sends clicked() as a mouse click would (keyboard users, tests, scripts).
    void click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

}  // namespace tavolo
