// tavolo-session-window: the program's window as main() builds it, with the
// session store link as main() wires it, and a harness for the crash test:
// the restore question is answered Yes, "COM Connect" is pressed on COM1, and
// each row is printed on standard output the moment it is recorded (as
// `tavolo-cli log --print-rows` does). It runs until it is killed.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <string>

#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/store/session_store_link.h"
#include "app/tfcomm.h"

namespace {

class RowPrinter final : public tavolo::SessionObserver {
public:
    explicit RowPrinter(tavolo::MeterSession& session) : m_session(session) {}
    void readingHandled(const tavolo::HandledReading& handled) override
    {
        if (!handled.row)
            return;
        using tavolo::TableField;
        const tavolo::ReadingTable& t = m_session.table();
        const std::size_t row = *handled.row;
        const auto integer = [&](TableField f) {
            const auto v = t.intValue(row, f);
            return v ? std::to_string(*v) : std::string();
        };
        const auto text = [&](TableField f) { return std::string(t.text(row, f)); };
        const auto instant = t.instantMs(row);
        const std::string line = integer(TableField::No) + '\t' + text(TableField::Time) + '\t' +
                                 text(TableField::DcAc) + '\t' + text(TableField::Value) + '\t' +
                                 text(TableField::Unit) + '\t' + text(TableField::Auto) + '\t' +
                                 integer(TableField::NVal) + '\t' + std::string(tavolo::rangeModeText(t.range(row))) +
                                 '\t' + (instant ? std::to_string(*instant) : std::string()) + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

private:
    tavolo::MeterSession& m_session;
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    TFCOMM window;
    window.adjustSize();
    window.show();
    window.services().setQuestionHook([](const QString& text) {
        std::fprintf(stderr, "question (answered Yes): %s\n", qPrintable(text));
        return true;
    });
    window.services().setMessageHook([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });

    tavolo::MeterSession& session = window.session();
    RowPrinter printer(session);
    session.addObserver(&printer);
    tavolo::SessionStoreLink sessionStore(
        session, [](const QString& text) { std::fprintf(stderr, "status: %s\n", qPrintable(text)); },
        [&window](const QString& text) { return window.services().askYesNo(text); });
    QTimer::singleShot(0, &window, [&] {
        sessionStore.start();
        window.connectionBar().COMCon->click();
    });
    const int status = QApplication::exec();
    sessionStore.endNormally();
    session.removeObserver(&printer);
    return status;
}
