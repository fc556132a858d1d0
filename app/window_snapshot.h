#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Unattended runs: the two switches main() understands and the picture of the
// window they save. GUI thread only.
namespace tavolo {

struct SnapshotOptions {
    bool connectOnStart = false;
    QString snapshotPath;       // empty: no snapshot
    int snapshotAfterMs = 4000;
};

// Reads --connect-on-start, --snapshot PATH and --snapshot-after MS; ignores
// everything else (Qt's own options included).
SnapshotOptions parseSnapshotOptions(const QStringList& arguments);

// Saves the window (frame excluded, menu bar and status line included) as PNG.
bool saveWindowSnapshot(QWidget& window, const QString& path);

}  // namespace tavolo
