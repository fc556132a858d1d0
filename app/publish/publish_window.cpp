#include "app/publish/publish_window.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/connection_bar.h"
#include "app/core_text.h"
#include "app/limit_panel_view.h"
#include "app/publish/publish_link.h"
#include "app/tfcomm.h"
#include "serial/comm_port_driver.h"

namespace tavolo {

feed::StatusInfo windowStatusInfo(TFCOMM& window)
{
    ConnectionBar& bar = window.connectionBar();
    feed::StatusInfo info;
    info.program = "tavolo-interface";
    if (bar.USBCon->isChecked()) {
        info.link = "usb";
        info.port = "USB";
    } else {
        info.link = "serial";
        info.port = "COM" + std::to_string(static_cast<int>(bar.port().ComPort()) + 1);
    }
    info.hi = toCoreText(window.limitPanel().T1HI->text());
    info.lo = toCoreText(window.limitPanel().T1LO->text());
    return info;
}

void attachPublishLink(TFCOMM& window, PublishLink& link)
{
    link.addMenuItem(*window.recordMenu());
    // Asked once the panel's own handlers have run (they mend the limit
    // texts and choose the port), so the message says what the window shows.
    const auto changed = [&link] { QTimer::singleShot(0, &link, &PublishLink::infoChanged); };
    ConnectionBar& bar = window.connectionBar();
    QObject::connect(bar.COMCon, &QToolButton::toggled, &link, changed);
    QObject::connect(bar.USBCon, &QToolButton::toggled, &link, changed);
    QObject::connect(bar.ComSetup1, &QMenu::triggered, &link, changed);
    for (ClickPanel* button : {bar.BtCOM1, bar.BtCOM2, bar.BtCOM3, bar.BtCOM4})
        QObject::connect(button, &ClickPanel::clicked, &link, changed);
    QObject::connect(window.limitPanel().T1HI, &QLineEdit::textChanged, &link, changed);
    QObject::connect(window.limitPanel().T1LO, &QLineEdit::textChanged, &link, changed);
}

}  // namespace tavolo
