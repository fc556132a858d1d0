#pragma once

#include <QPointer>

#include <functional>

#include "app/window_services.h"

class QLabel;
class QWidget;

namespace tavolo {

// The window's services as a user meets them: the status line label and real
// message boxes and dialogs over `parent`, each replaceable by a hook so tests
// answer them without a visible box. GUI thread only; lives as long as the window.
class DialogServices final : public WindowServices {
public:
    // Returns true for Yes.
    using QuestionHook = std::function<bool(const QString& text)>;
    using MessageHook = std::function<void(const QString& text)>;
    using PreviewHook = std::function<void(ReportPreview&)>;

    // `statusLine` shows the notes; both widgets must outlive the services.
    DialogServices(QWidget& parent, QLabel& statusLine);

    void setQuestionHook(QuestionHook hook) { m_question = std::move(hook); }
    void setMessageHook(MessageHook hook) { m_message = std::move(hook); }
    void setNoticeHook(NoticeHook hook) { m_notice = std::move(hook); }
    void setFileDialogHook(FileDialogHook hook) { m_fileDialog = std::move(hook); }
    // Called with the preview instead of running it (tests print from it).
    void setPreviewHook(PreviewHook hook) { m_preview = std::move(hook); }

    void statusNote(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void showInformation(const QString& text) override;
    void notify(NoticeKind kind, const QString& title, const QString& text) override;
    void notifyWithoutWaiting(NoticeKind kind, const QString& title, const QString& text) override;
    QString askFile(const FileDialogRequest& request) override;
    void runPreview(ReportPreview& preview) override;

private:
    QWidget& m_parent;
    QLabel& m_statusLine;
    QuestionHook m_question;
    MessageHook m_message;
    NoticeHook m_notice;
    FileDialogHook m_fileDialog;
    PreviewHook m_preview;
};

}  // namespace tavolo
