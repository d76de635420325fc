#pragma once

#include "engine/ReportRow.h"
#include "platform/MessageBox.h"

#include <QString>
#include <QtGlobal>

// Answers of the delete confirmation.
enum class DeleteChoice { DeleteThis = 0, DeleteAll = 1, SkipThis = 2, AbortRun = 3 };

// What a run publishes about one of its settings. The run works on copies; the host copies these
// two values into its own table, at index, on its own thread.
struct SettingState {
    int index = 0;          // in the host's table of folder settings
    qint32 Errors = 0;
    qint64 LastExec = 0;
    friend bool operator==(const SettingState &, const SettingState &) = default;
};

// What a run's worker asks of whoever shows it: the main window, the command line or a test.
//
// Everything goes through one ordered channel. Rows and status texts may be queued and painted
// later, but never overtake a later call: every row sent before a question is shown before the
// question. Calls that return an answer, SettingUpdate and RunFinished block the worker until the
// host has handled them.
class RunHost {
public:
    // What counts when nobody can answer the delete confirmation: a file is never deleted unasked
    // when its setting asks for confirmation.
    static constexpr DeleteChoice UnansweredDelete = DeleteChoice::SkipThis;

    virtual ~RunHost() = default;

    virtual void StatusText(const QString &text, const QString &path) = 0;
    virtual void ClearReport() = 0;
    virtual void AddReportRow(const ReportRow &row) = 0;
    // A setting's Errors or LastExec changed; the host shows and saves it before returning.
    virtual void SettingUpdate(const SettingState &state) = 0;
    // Returns the answer; request.unattended when nobody can answer.
    virtual MessageAnswer MessageBox(const MessageBoxRequest &request) = 0;
    // Returns UnansweredDelete when nobody can answer.
    virtual DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText,
                                       const QString &dateText) = 0;
    // Width of a text in the report list's font, in pixels.
    virtual int TextWidth(const QString &text) = 0;
    virtual void EnableClose(bool enable) = 0;
    // The end of the run: returns when everything sent before is shown. The run is marked as
    // no longer running only after this.
    virtual void RunFinished() = 0;
    // The run ended with an after-run action: close the main window.
    virtual void RequestClose() = 0;
};
