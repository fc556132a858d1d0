// The limit panel's Hi/Lo edits and the alarm edits.
#include <QLineEdit>

#include "app/tfcomm.h"

void TFCOMM::T1HIChange(QLineEdit* edit) { (void)edit; }

bool TFCOMM::T1HIKeyPress(QLineEdit* edit, QChar key)
{
    (void)edit;
    return key == QChar(8) || key == QLatin1Char('-') || (key >= QLatin1Char('0') && key <= QLatin1Char('9')) ||
           (!DecimalSymbol.isEmpty() && key == DecimalSymbol.front());
}

bool TFCOMM::SetmaxKeyPress(QChar key)
{
    return key == QChar(8) || key == QLatin1Char('-') || key == QLatin1Char('+') ||
           (key >= QLatin1Char('0') && key <= QLatin1Char('9'));
}

void TFCOMM::SetmaxExit() {}
void TFCOMM::SetMinExit() {}
