#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QAction;
class QCheckBox;
class QEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QWidget;

// The window's kinds of control with their look, shared by every panel.
// Positions are pixels in the parent's client area; font sizes are pixel heights.
// GUI thread only.
namespace tavolo {

class ClickPanel;

inline const QColor kSilver(192, 192, 192);
inline const QColor kBlue(0x00, 0x80, 0xFF);
inline const QColor kLightBlue(0xC0, 0xDD, 0xF8);

void setBackground(QWidget* w, const QColor& colour);
void setTextColour(QWidget* w, const QColor& colour);
// Base and window colours only, and only when they differ (no repaint otherwise).
void setBaseColour(QWidget* w, const QColor& colour);

// Every control is created with its described name as object name.
// A panel with the default look: a raised one-pixel bevel.
QFrame* panel(QWidget* parent, const char* name, const QRect& geometry);
QLabel* label(QWidget* parent, const char* name, const QString& caption, QPoint at, const QFont& font);
QLineEdit* edit(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                    bool checked);
// A speed button: never takes the focus.
QToolButton* speedButton(QWidget* parent, const char* name, const QRect& geometry, const QIcon& icon);
QAction* menuItem(QMenu* menu, const char* name, const QString& caption, bool checkable = false,
                  bool checked = false);
// The connect/disconnect/exit panels: blue, raised, yellow text.
ClickPanel* actionPanel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        int pixelSize);

// The character a key press types, as the edits' key filters see it: typed
// characters only; editing keys, navigation and shortcuts give none.
std::optional<QChar> typedCharacter(const QEvent* event);

}  // namespace tavolo
