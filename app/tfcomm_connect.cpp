// The connection controls: port selector, COM connect/disconnect and the USB
// button, with the exclusion of the two links.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/tfcomm.h"

void TFCOMM::selectPort(int port)
{
    QAction* items[4] = {COM11, COM21, COM31, COM41};
    tavolo::ClickPanel* panels[4] = {BtCOM1, BtCOM2, BtCOM3, BtCOM4};
    for (int i = 0; i < 4; ++i) {
        items[i]->setChecked(i + 1 == port);
        panels[i]->setVisible(i + 1 == port);
    }
}

void TFCOMM::COM11Click() { selectPort(1); }
void TFCOMM::COM21Click() { selectPort(2); }
void TFCOMM::COM31Click() { selectPort(3); }
void TFCOMM::COM41Click() { selectPort(4); }

void TFCOMM::connectSteps(bool open)
{
    ComSetup1->setEnabled(!open);
    START1->setChecked(open);
    START1->setEnabled(!open);
    STOP1->setEnabled(open);
    STOP1->setChecked(!open);
    BTCon->setVisible(!open);
    BtDiscon->setVisible(open);
    for (tavolo::ClickPanel* p : {BtCOM1, BtCOM2, BtCOM3, BtCOM4})
        p->setEnabled(!open);
}

void TFCOMM::COMConClick()
{
    const bool open = COMCon->isChecked();
    connectSteps(open);
    USBCon->setVisible(!open);
}

void TFCOMM::BTCon1Click()
{
    connectSteps(true);
    COMCon->setChecked(true);
}

void TFCOMM::BtDiscon1Click()
{
    connectSteps(false);
    COMCon->setChecked(false);
}

void TFCOMM::USBConClick() {}
void TFCOMM::SetFeatureClick() {}
void TFCOMM::ReadBtnClick() {}
void TFCOMM::ClearBtnClick() { HistoryListBox->clear(); }
void TFCOMM::InfoBtnClick() {}
void TFCOMM::ConTimerTimer() {}
void TFCOMM::HidCtlDeviceChange() {}
