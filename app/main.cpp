#include <QApplication>
#include <QScreen>
#include <QWidget>

#include "app/tfcomm.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application's own title (task bar) is empty; the window has its caption.
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("tavolo-interface"));

    TFCOMM window;
    // A second form exists for the program's life but is never shown.
    QWidget TForm1;
    TForm1.setObjectName(QStringLiteral("Form1"));

    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
