#include "app/window_snapshot.h"

#include <QPixmap>
#include <QWidget>

namespace tavolo {

SnapshotOptions parseSnapshotOptions(const QStringList& arguments)
{
    SnapshotOptions o;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--connect-on-start")) {
            o.connectOnStart = true;
        } else if (a == QLatin1String("--snapshot") && i + 1 < arguments.size()) {
            o.snapshotPath = arguments[++i];
        } else if (a == QLatin1String("--snapshot-after") && i + 1 < arguments.size()) {
            bool ok = false;
            const int ms = arguments[++i].toInt(&ok);
            if (ok && ms >= 0)
                o.snapshotAfterMs = ms;
        }
    }
    return o;
}

bool saveWindowSnapshot(QWidget& window, const QString& path)
{
    return window.grab().save(path, "PNG");
}

}  // namespace tavolo
