#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <cstdio>

#include "app/tfcomm.h"
#include "app/window_snapshot.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The application's own title (task bar) is empty; the window has its caption.
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("tavolo-interface"));

    // The program takes no options from users. Two switches exist for scripts
    // that run it unattended (scripts/run on a machine without a display):
    //   --connect-on-start      press "COM Connect" once the window is up
    //   --snapshot PATH [--snapshot-after MS]
    //                           save a picture of the window after MS ms
    //                           (default 4000), print PATH, and end
    const tavolo::SnapshotOptions options = tavolo::parseSnapshotOptions(QCoreApplication::arguments());

    TFCOMM window;
    // A second form exists for the program's life but is never shown.
    QWidget TForm1;
    TForm1.setObjectName(QStringLiteral("Form1"));

    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();

    if (options.connectOnStart)
        QTimer::singleShot(200, &window, [&window] { window.COMCon->click(); });
    if (!options.snapshotPath.isEmpty()) {
        QTimer::singleShot(options.snapshotAfterMs, &window, [&window, &options] {
            const bool saved = tavolo::saveWindowSnapshot(window, options.snapshotPath);
            std::printf("%s\n", saved ? qPrintable(options.snapshotPath) : "snapshot failed");
            std::fflush(stdout);
            window.BtExit1Click();
        });
    }
    return QApplication::exec();
}
