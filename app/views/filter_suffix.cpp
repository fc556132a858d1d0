#include "app/views/filter_suffix.h"

#include <QFileDialog>

namespace tavolo {

QString csvNameFilter()
{
    return QStringLiteral("CSV (*.csv)");
}

QString suffixForPickedFilter(const QString& pickedFilter, const QString& requestDefault)
{
    return pickedFilter == csvNameFilter() ? QStringLiteral("csv") : requestDefault;
}

void followPickedFilter(QFileDialog& dialog, const QString& requestDefault)
{
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, requestDefault](const QString& filter) {
                         dialog.setDefaultSuffix(suffixForPickedFilter(filter, requestDefault));
                     });
}

}  // namespace tavolo
