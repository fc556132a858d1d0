#pragma once

#include <QString>

#include "app/views/recording_dialogs.h"

namespace tavolo {

class ReportPreview;

// What every panel of the window may ask of the window as a whole: the status
// line, questions, message boxes, file dialogs and the report preview. Panels
// get it by reference at construction and reach nothing else of the window this
// way. Tests answer every box and dialog through the hooks of the window's
// implementation (DialogServices). GUI thread only.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    // A notice that must not block: the status line, with the time of day.
    virtual void statusNote(const QString& text) = 0;
    // A Yes/No question (information kind); true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // An information box with OK.
    virtual void showInformation(const QString& text) = 0;
    // A box with OK of the given kind and title (files, bitmap, paging).
    virtual void notify(NoticeKind kind, const QString& title, const QString& text) = 0;
    // The same without holding the caller: the box stays open while readings
    // go on being recorded (a rejected page size).
    virtual void notifyWithoutWaiting(NoticeKind kind, const QString& title, const QString& text) = 0;
    // A file dialog; the chosen path, or "" when cancelled.
    virtual QString askFile(const FileDialogRequest& request) = 0;
    // Runs the report preview (modal, the event loop keeps running).
    virtual void runPreview(ReportPreview& preview) = 0;
};

}  // namespace tavolo
