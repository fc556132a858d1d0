// The recording half of the window: grid, chart paging, recording controls,
// data files, bitmap and report. Bodies are filled by the views' work.
#include "app/tfcomm.h"

void TFCOMM::setupRecordingHalf() {}

void TFCOMM::BtFirstClick() {}
void TFCOMM::BTPreviousClick() {}
void TFCOMM::BtNextClick() {}
void TFCOMM::BTlastClick() {}
void TFCOMM::MaxrecordChange() {}
void TFCOMM::Timer2Timer() {}
void TFCOMM::btFillClick() {}
void TFCOMM::FillClick() {}
void TFCOMM::BtNewClick() {}
void TFCOMM::TbFdClick() {}
void TFCOMM::saveasClick() {}
void TFCOMM::SpeedButton2Click() {}
void TFCOMM::BtSaveClick() {}
void TFCOMM::BtPrintClick() {}
void TFCOMM::RecordNewClick() {}
void TFCOMM::N10001Click() {}
void TFCOMM::N50001Click() {}
void TFCOMM::N100001Click() {}
void TFCOMM::N500001Click() {}
void TFCOMM::N1000001Click() {}
void TFCOMM::limitessClick() {}
void TFCOMM::TrecordTimer() {}
void TFCOMM::RecordSITimeChange(QLineEdit*) {}
bool TFCOMM::RecordSITimeKeyPress(QChar) { return true; }
void TFCOMM::RecallCheckClick() {}
void TFCOMM::RecallCheckExit() {}
void TFCOMM::TimeHKeyUp(QLineEdit*) {}
