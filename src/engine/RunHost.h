#pragma once

#include "engine/ReportRow.h"

#include <QString>

struct CFolderSetting;

// Answers of the delete confirmation.
enum class DeleteChoice { DeleteThis = 0, DeleteAll = 1, SkipThis = 2, AbortRun = 3 };

// What a run's worker asks of whoever shows it: the main window, the command line or a test.
// Calls that return an answer, and SettingUpdate, block the worker until they are handled; rows
// and status texts may be queued, but never overtake a later question.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void StatusText(const QString &text, const QString &path) = 0;
    virtual void ClearReport() = 0;
    virtual void AddReportRow(const ReportRow &row) = 0;
    // The setting's Errors or LastExec changed; the host shows and saves it before returning.
    virtual void SettingUpdate(CFolderSetting *setting) = 0;
    // A message box of the given type (mb:: constants); returns the answer (mb::Id...).
    // defaultAnswer is what counts when nobody is there to answer.
    virtual int MessageBox(const QString &text, const QString &caption, int type, int defaultAnswer) = 0;
    virtual DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText,
                                       const QString &dateText) = 0;
    // Width of a text in the report list's font, in pixels.
    virtual int TextWidth(const QString &text) = 0;
    virtual void EnableClose(bool enable) = 0;
    // The run ended with an after-run action: close the main window.
    virtual void RequestClose() = 0;
};
