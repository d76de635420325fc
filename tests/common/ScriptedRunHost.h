#pragma once

#include "engine/RunHost.h"

#include <QList>
#include <functional>
#include <QString>
#include <QStringList>

struct CFolderSetting;

// A RunHost for tests: records everything a run tells it and answers from a script.
class ScriptedRunHost : public RunHost {
public:
    void StatusText(const QString &text, const QString &path) override;
    void ClearReport() override;
    void AddReportRow(const ReportRow &row) override;
    void SettingUpdate(const SettingState &state) override;
    MessageAnswer MessageBox(const MessageBoxRequest &request) override;
    DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText) override;
    int TextWidth(const QString &text) override;
    void EnableClose(bool enable) override;
    void RunFinished() override;
    void RequestClose() override;

    // "operation name" per row, in order.
    QStringList RowTexts() const;
    // The rows between a setting's start row and its end row ("終了" or "中断").
    QStringList BodyRows() const;

    // Called for every status text, for instance to press stop at a chosen file.
    std::function<void(const QString &text, const QString &path)> onStatus;
    std::function<void()> onRunFinished;

    QList<ReportRow> rows;
    QStringList statusTexts;            // "text|path"
    QList<MessageBoxRequest> questions;
    QList<MessageAnswer> answers;       // taken in order; when empty, the unattended answer
    QStringList deleteQuestions;        // "file|size|date"
    QList<DeleteChoice> deleteAnswers;  // when empty: DeleteThis
    QList<SettingState> updates;
    QList<int> errorsAtUpdate;          // Errors of the setting at each update
    // The table the updates are applied to, as the window's table is.
    QList<CFolderSetting> *table = nullptr;
    int runsFinished = 0;
    int clears = 0;
    int closeRequests = 0;
    bool closeEnabled = true;
    int disabledCloseCount = 0;
};
