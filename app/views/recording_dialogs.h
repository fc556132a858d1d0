#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tavolo {

// The file dialogs of the recording half, described so that tests can answer
// them without a window. Filters are Qt name filters separated by ";;".
struct FileDialogRequest {
    enum class Kind { SaveData, OpenData, SavePicture };
    Kind kind = Kind::SaveData;
    QString filter;
    QString defaultSuffix;   // added to a typed name without extension (save only)
    QString startName;       // the name chosen at the dialog's last use
    bool confirmOverwrite = false;
};

// Returns the chosen path, or an empty text when the user cancelled.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;

// Message boxes with an OK button: plain, information kind, or error kind with a title.
enum class NoticeKind { Plain, Information, Error };
using NoticeHook = std::function<void(NoticeKind kind, const QString& title, const QString& text)>;

// The real dialogs.
QString showFileDialog(QWidget* parent, const FileDialogRequest& request);
void showNotice(QWidget* parent, NoticeKind kind, const QString& title, const QString& text);

// Name filters of the three dialogs.
QString saveDataFilter();     // "Excel File(*.xls)", "XML(*.xml)", "Txt File(*.txt)", "CSV (*.csv)"
QString openDataFilter();     // "Exel File(*.xls)", "XML (*.xml)", "Txt File(*.txt)", "CSV (*.csv)"
QString savePictureFilter();  // "Bitmaps (*.bmp)"

}  // namespace tavolo
