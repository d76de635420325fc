#include "ScriptedRunHost.h"

#include "model/FolderSetting.h"

void ScriptedRunHost::StatusText(const QString &text, const QString &path)
{
    statusTexts << text + u'|' + path;
    if (onStatus)
        onStatus(text, path);
}

void ScriptedRunHost::ClearReport()
{
    ++clears;
    rows.clear();
}

void ScriptedRunHost::AddReportRow(const ReportRow &row)
{
    rows << row;
}

void ScriptedRunHost::SettingUpdate(const SettingState &state)
{
    updates << state;
    errorsAtUpdate << state.Errors;
    if (table && state.index >= 0 && state.index < table->size()) {
        (*table)[state.index].Errors = state.Errors;
        (*table)[state.index].LastExec = state.LastExec;
    }
}

MessageAnswer ScriptedRunHost::MessageBox(const MessageBoxRequest &request)
{
    questions << request;
    return answers.isEmpty() ? request.unattended : answers.takeFirst();
}

DeleteChoice ScriptedRunHost::ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText)
{
    deleteQuestions << fileName + u'|' + sizeText + u'|' + dateText;
    return deleteAnswers.isEmpty() ? DeleteChoice::DeleteThis : deleteAnswers.takeFirst();
}

int ScriptedRunHost::TextWidth(const QString &text)
{
    return int(text.size());
}

void ScriptedRunHost::EnableClose(bool enable)
{
    closeEnabled = enable;
    if (!enable)
        ++disabledCloseCount;
}

void ScriptedRunHost::RunFinished()
{
    ++runsFinished;
    if (onRunFinished)
        onRunFinished();
}

void ScriptedRunHost::RequestClose()
{
    ++closeRequests;
}

QStringList ScriptedRunHost::RowTexts() const
{
    QStringList texts;
    for (const ReportRow &row : rows)
        texts << row.operation + u' ' + row.name;
    return texts;
}

QStringList ScriptedRunHost::BodyRows() const
{
    QStringList body;
    bool inside = false;
    for (const ReportRow &row : rows) {
        if (row.operation == u"開始" || row.operation == u"テスト開始") {
            inside = true;
            continue;
        }
        if (row.operation == u"終了" || row.operation == u"中断") {
            inside = false;
            continue;
        }
        if (inside)
            body << row.operation + u' ' + row.name;
    }
    return body;
}
