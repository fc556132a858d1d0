#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <optional>

#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/publish/publish_link.h"
#include "app/publish/publish_window.h"
#include "app/store/session_store_link.h"
#include "app/tfcomm.h"
#include "app/window_snapshot.h"
#include "tavolo_version.h"

namespace {

constexpr const char* kHelp =
    "usage: tavolo-interface [QT-OPTIONS] [--connect-on-start] [--snapshot PATH [--snapshot-after MS]]\n"
    "       tavolo-interface --help | --version\n"
    "The Tavolo Interface Program: live readings of a Tavolo multimeter on a serial\n"
    "port or the USB cable, Pass/Fail limits, a table and a chart of readings, data\n"
    "files, a bitmap of the chart and a printed report.\n"
    "\n"
    "options:\n"
    "  --help              print this help and exit\n"
    "  --version           print the version and exit\n"
    "for scripts that run the window unattended:\n"
    "  --connect-on-start  press \"COM Connect\" once the window is up\n"
    "  --snapshot PATH     save a picture of the window (PNG) to PATH, print PATH and end\n"
    "  --snapshot-after MS take that picture MS milliseconds after start (default 4000)\n"
    "Qt's own options (-platform NAME, -display DISPLAY, ...) work as in any Qt\n"
    "program; other arguments are ignored.\n";

// --help and --version answer before the application looks for a display, so
// they work from a text console too. Returns the exit status when one of them
// was given.
std::optional<int> answerInformationOption(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tavolo-interface %s\n", tavolo::kVersion);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = answerInformationOption(argc, argv))
        return *status;

    QApplication app(argc, argv);
    // The application's own title (task bar) is empty; the window has its caption.
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("tavolo-interface"));

    // Besides --help and --version, two switches exist for scripts that run it
    // unattended (scripts/run on a machine without a display):
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
        QTimer::singleShot(200, &window, [&window] { window.connectionBar().COMCon->click(); });
    if (!options.snapshotPath.isEmpty()) {
        QTimer::singleShot(options.snapshotAfterMs, &window, [&window, &options] {
            const bool saved = tavolo::saveWindowSnapshot(window, options.snapshotPath);
            std::printf("%s\n", saved ? qPrintable(options.snapshotPath) : "snapshot failed");
            std::fflush(stdout);
            window.connectionBar().BtExit1Click();
        });
    }
    // Session store: every recording mirrored into a session file; an
    // unfinished one is offered for restore once the window is up.
    tavolo::SessionStoreLink sessionStore(
        window.session(), [&window](const QString& text) { window.services().statusNote(text); },
        [&window](const QString& text) { return window.services().askYesNo(text); });
    sessionStore.setRestoredHook([&window] { window.showRestoredSession(); });
    QTimer::singleShot(0, &window, [&sessionStore] { sessionStore.start(); });
    // Live readings to an MQTT broker ("Publish readings…" in the Record menu),
    // started by itself when the stored settings say so.
    tavolo::PublishLink publishLink(
        window.session(), tavolo::PublishSettingsStore(),
        [&window](const QString& text) { window.services().statusNote(text); },
        [&window] { return tavolo::windowStatusInfo(window); }, &window);
    tavolo::attachPublishLink(window, publishLink);
    QTimer::singleShot(0, &window, [&publishLink] { publishLink.start(); });
    const int status = QApplication::exec();
    // The window goes first: saying "offline" to the broker happens out of sight.
    window.hide();
    publishLink.stop();
    sessionStore.endNormally();  // a clean exit: QUIT or the close box
    return status;
}
