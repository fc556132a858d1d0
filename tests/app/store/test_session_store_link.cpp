// The window's session store link: the restore question, Yes restoring and
// continuing the same file, No leaving it and beginning a new one, the store's
// state as one status note, and a clean exit ending the session normally.
#include <QtTest>

#include <QDateTime>
#include <QTemporaryDir>

#include "app/store/session_store_link.h"
#include "store/session_files.h"
#include "store/session_restore.h"
#include "tests/support/store_test_support.h"

using namespace tavolo;
namespace fs = std::filesystem;

namespace {

// A session that stopped without ending normally: `rows` readings.
fs::path crashedSession(const fs::path& folder, int rows)
{
    test::TestSession t;
    store::StoreOptions options;
    const fs::path file = folder / "2026-12-10T13-52-04.tavolo-session";
    auto s = store::SessionStore::open(file, t.session, options);
    for (int i = 0; i < rows; ++i)
        test::feed(t.session, test::payload(100 + i));
    s->flush();
    return file;
}

struct Answers {
    QStringList asked;
    QStringList notes;
    bool yes = true;
};

std::unique_ptr<SessionStoreLink> makeLink(MeterSession& session, Answers& a, const fs::path& folder)
{
    return std::make_unique<SessionStoreLink>(
        session, [&a](const QString& t) { a.notes << t; },
        [&a](const QString& t) {
            a.asked << t;
            return a.yes;
        },
        folder);
}

}  // namespace

class SessionStoreLinkTest : public QObject {
    Q_OBJECT

private slots:
    void yesRestoresAndContinuesInTheSameFile()
    {
        QTemporaryDir dir;
        const fs::path folder = dir.path().toStdString();
        const fs::path file = crashedSession(folder, 12);

        test::TestSession window;
        Answers a;
        auto link = makeLink(window.session, a, folder);
        link->start();
        QCOMPARE(a.asked.size(), 1);
        const QString first = QDateTime::fromMSecsSinceEpoch(1'796'000'000'007).toString("yyyy-MM-dd HH:mm:ss");
        const QString last = QDateTime::fromMSecsSinceEpoch(1'796'000'000'084).toString("yyyy-MM-dd HH:mm:ss");
        QCOMPARE(a.asked.front(), QStringLiteral("The last recording (12 readings, from %1 to %2) did not end "
                                                 "normally. Restore it?")
                                      .arg(first, last));
        QCOMPARE(window.session.table().rowCount(), std::size_t(12));
        QCOMPARE(window.session.recordRule().state().NextRecordNo, 13);
        QCOMPARE(link->file(), file);

        test::feed(window.session, test::payload(7));
        QVERIFY(link->endNormally());
        const store::SessionInfo info = store::readSessionInfo(file);
        QVERIFY(info.endedNormally);
        QCOMPARE(info.rows, std::int64_t(13));
        QCOMPARE(store::listSessions(folder).size(), std::size_t(1));
        QVERIFY(a.notes.isEmpty());

        // Next start: nothing to offer.
        test::TestSession next;
        Answers b;
        auto again = makeLink(next.session, b, folder);
        again->start();
        QVERIFY(b.asked.isEmpty());
        QVERIFY(again->file() != file);
        QVERIFY(again->endNormally());
    }

    void noLeavesItAndBeginsANewSession()
    {
        QTemporaryDir dir;
        const fs::path folder = dir.path().toStdString();
        const fs::path file = crashedSession(folder, 5);

        test::TestSession window;
        Answers a;
        a.yes = false;
        auto link = makeLink(window.session, a, folder);
        link->start();
        QCOMPARE(a.asked.size(), 1);
        QVERIFY(window.session.table().empty());
        QVERIFY(link->file() != file);
        test::feed(window.session, test::payload(1));
        QVERIFY(link->endNormally());
        QCOMPARE(store::listSessions(folder).size(), std::size_t(2));
        const store::SessionInfo left = store::readSessionInfo(file);
        QVERIFY(!left.endedNormally);
        QCOMPARE(left.rows, std::int64_t(5));
    }

    void aDamagedSessionRestoresWhatItCanIntoANewFile()
    {
        QTemporaryDir dir;
        const fs::path folder = dir.path().toStdString();
        const fs::path file = crashedSession(folder, 2000);
        {
            // Fold the log into the file (as a reader does), then damage its end.
            store::SessionInfo info = store::readSessionInfo(file);
            QCOMPARE(info.rows, std::int64_t(2000));
            const auto size = fs::file_size(file);
            QFile f(QString::fromStdString(file.string()));
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(static_cast<qint64>(size * 3 / 4 / 1024 * 1024));
            f.write(QByteArray(1024, '\xFF'));
        }
        test::TestSession window;
        Answers a;
        auto link = makeLink(window.session, a, folder);
        link->start();
        QCOMPARE(a.asked.size(), 1);
        QCOMPARE(a.notes.size(), 1);
        QVERIFY2(a.notes.front().contains(QStringLiteral(" restored; the rest of the file is damaged.")),
                 qPrintable(a.notes.front()));
        const std::size_t rows = window.session.table().rowCount();
        QVERIFY(rows > 0 && rows < 2000);
        const fs::path fresh = link->file();
        QVERIFY(fresh != file);
        QVERIFY(link->endNormally());
        ReadingTable saved;
        QVERIFY(store::readSessionTable(fresh, saved).complete);
        QCOMPARE(saved.rowCount(), rows);
    }

    void theStoresTroubleReachesTheStatusLineOnce()
    {
        QTemporaryDir dir;
        // A folder that cannot be made: a file stands where it should be.
        const fs::path blocked = fs::path(dir.path().toStdString()) / "blocked";
        QFile(QString::fromStdString(blocked.string())).open(QIODevice::WriteOnly);
        test::TestSession window;
        Answers a;
        auto link = makeLink(window.session, a, blocked / "sessions");
        link->start();
        for (int i = 0; i < 20; ++i)
            test::feed(window.session, test::payload(i));
        QTRY_COMPARE_WITH_TIMEOUT(a.notes.size(), 1, 5000);
        QVERIFY2(a.notes.front().contains(QStringLiteral("kept in memory")), qPrintable(a.notes.front()));
        QTest::qWait(300);
        QCOMPARE(a.notes.size(), 1);
    }
};

QTEST_MAIN(SessionStoreLinkTest)
#include "test_session_store_link.moc"
