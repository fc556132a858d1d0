#include "app/dialog_services.h"

#include <QDateTime>
#include <QLabel>
#include <QMessageBox>

#include "app/views/report_preview.h"

namespace tavolo {

DialogServices::DialogServices(QWidget& parent, QLabel& statusLine) : m_parent(parent), m_statusLine(statusLine) {}

void DialogServices::statusNote(const QString& text)
{
    m_statusLine.setText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss  ")) + text);
}

bool DialogServices::askYesNo(const QString& text)
{
    if (m_question)
        return m_question(text);
    return QMessageBox::information(&m_parent, QStringLiteral("Information"), text,
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void DialogServices::showInformation(const QString& text)
{
    if (m_message) {
        m_message(text);
        return;
    }
    QMessageBox::information(&m_parent, QStringLiteral("Information"), text);
}

void DialogServices::notify(NoticeKind kind, const QString& title, const QString& text)
{
    if (m_notice)
        m_notice(kind, title, text);
    else
        showNotice(&m_parent, kind, title, text);
}

void DialogServices::notifyWithoutWaiting(NoticeKind kind, const QString& title, const QString& text)
{
    if (m_notice) {
        m_notice(kind, title, text);
        return;
    }
    const auto icon = kind == NoticeKind::Error ? QMessageBox::Warning
                      : kind == NoticeKind::Information ? QMessageBox::Information
                                                        : QMessageBox::NoIcon;
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, &m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QString DialogServices::askFile(const FileDialogRequest& request)
{
    return m_fileDialog ? m_fileDialog(request) : showFileDialog(&m_parent, request);
}

void DialogServices::runPreview(ReportPreview& preview)
{
    if (m_preview)
        m_preview(preview);
    else
        preview.exec();
}

}  // namespace tavolo
