#include "app/views/recording_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/views/filter_suffix.h"  // CSV choice

namespace tavolo {

QString saveDataFilter()
{
    return QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;") + csvNameFilter();  // CSV last
}

QString openDataFilter()
{
    return QStringLiteral("Exel File(*.xls);;XML (*.xml);;Txt File(*.txt);;") + csvNameFilter();  // CSV last
}

QString savePictureFilter()
{
    return QStringLiteral("Bitmaps (*.bmp)");
}

QString showFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    const bool save = request.kind != FileDialogRequest::Kind::OpenData;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    if (!request.defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(request.defaultSuffix);
        followPickedFilter(dialog, request.defaultSuffix);  // the CSV filter gives ".csv"
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (!request.startName.isEmpty())
        dialog.selectFile(request.startName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void showNotice(QWidget* parent, NoticeKind kind, const QString& title, const QString& text)
{
    const QMessageBox::Icon icon = kind == NoticeKind::Error         ? QMessageBox::Critical
                                   : kind == NoticeKind::Information ? QMessageBox::Information
                                                                     : QMessageBox::NoIcon;
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace tavolo
