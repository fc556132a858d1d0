#pragma once

#include <QString>

class QFileDialog;

// The CSV choice of the data-file dialogs and the suffix it gives a typed name.
// The format is always chosen by the name (files/data_file.h); the picked filter
// only decides what a name typed without extension gets. The older choices keep
// the dialog's default suffix ("xls" for the data save dialog), as they always did.
namespace tavolo {

// "CSV (*.csv)"
QString csvNameFilter();

// "csv" while the CSV filter is picked, otherwise `requestDefault`.
QString suffixForPickedFilter(const QString& pickedFilter, const QString& requestDefault);

// Keeps the dialog's default suffix following the filter the user picks.
// GUI thread; the dialog owns the connection.
void followPickedFilter(QFileDialog& dialog, const QString& requestDefault);

}  // namespace tavolo
