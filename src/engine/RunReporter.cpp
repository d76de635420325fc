#include "engine/RunReporter.h"

#include "engine/RunHost.h"
#include "engine/RunState.h"
#include "model/AppFlags.h"
#include "model/FolderSetting.h"
#include "model/GlobalOptions.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <algorithm>

CRunReporter::CRunReporter(RunHost &host, CRunState &state, const AppFlags &flags, const GlobalOptions &options)
    : m_host(host), m_state(state), m_flags(flags), m_options(options)
{
}

CRunReporter::~CRunReporter() = default;

const QString &CRunReporter::Text(int id)
{
    auto it = m_texts.find(id);
    if (it == m_texts.end())
        it = m_texts.emplace(id, LoadResString(id)).first;
    return it->second;
}

bool CRunReporter::MessagesSuppressedForExit() const
{
    return m_flags.AfterRunExit && m_options.AutoExitWhenError;
}

void CRunReporter::ShowMessage(const QString &text, const QString &caption, MessageIcon icon)
{
    m_host.MessageBox({.text = text, .caption = caption, .icon = icon});
}

void CRunReporter::RaiseResult(ErrorLevel level)
{
    m_result = std::max(m_result, level);
}

MessageAnswer CRunReporter::ReportError(ErrorLevel level, const QString &detail, const MessageBoxRequest &box,
                                        ErrorMode mode)
{
    if (m_muted)
        return box.unattended;
    RaiseResult(level);
    m_lastError = box.caption + QStringLiteral(": ") + detail;

    MessageAnswer answer = box.unattended;
    QString heading;
    if (mode == ErrorMode::ResolvedByRetry) {
        heading = Text(IDS_LOG_ERROR_RESOLVED);
    } else {
        const bool leave = level < ErrorLevel::Setting && m_state.setting && m_state.setting->ErrorLeave;
        const bool suppressed = m_flags.AutoMode && MessagesSuppressedForExit();
        if (leave) {
            answer = MessageAnswer::Ignore;
        } else if (!suppressed) {
            const MessageAnswer shown = m_host.MessageBox(box);
            if (box.Asks())
                answer = shown;
        }
        switch (answer) {
        case MessageAnswer::Abort:
            m_state.RequestStop();
            heading = Text(IDS_LOG_ERROR_ABORTED);
            break;
        case MessageAnswer::Retry:
            return answer;
        case MessageAnswer::Ignore:
            heading = Text(IDS_LOG_ERROR_IGNORED);
            break;
        default:
            break;
        }
    }
    WriteLogLine(LogLine::Error, FormatPrintf(Text(IDS_LOG_ERROR_BLOCK), {heading, box.text}));
    return answer;
}

void CRunReporter::CountError()
{
    if (m_muted)
        return;
    ++m_state.setting->Errors;
    AddErrorRow();
}

void CRunReporter::AddErrorRow()
{
    AddReportRow(Text(IDS_OP_ERROR), m_lastError);
}

void CRunReporter::AddReportRow(const QString &operation, const QString &name, qint64 masterTime, qint64 backupTime,
                                bool sizeShown, quint64 size)
{
    if (m_muted)
        return;
    m_host.AddReportRow(ReportRow{operation, name, masterTime, backupTime, sizeShown, size});
}

void CRunReporter::ReportOperation(const QString &operation, qint64 masterTime, const QString &relative,
                                   qint64 backupTime, bool sizeShown, quint64 size, ReportWhere where)
{
    if (where.list)
        AddReportRow(operation, relative, masterTime, backupTime, sizeShown, size);
    if (where.log)
        WriteOperationLine(operation, relative);
}

ReportWhere CRunReporter::SkipPolicy() const
{
    const CFolderSetting &current = *m_state.setting;
    const bool skipLog = current.OutputLog ? current.OutputSkipLog : m_options.OutputSkipLog;
    const bool errorsOnly = current.OutputLog ? current.OutputErrorOnly : m_options.OutputErrorOnly;
    return {.list = current.ShowSkipFile, .log = skipLog && !errorsOnly};
}

void CRunReporter::StatusText(const QString &text, const QString &path)
{
    if (m_muted)
        return;
    m_host.StatusText(text, path);
}

bool CRunReporter::OpenLog(const QString &path, bool truncate, bool errorsOnly, bool flush)
{
    m_logErrorsOnly = errorsOnly;
    m_logFlush = flush;
    return m_log.Open(path, truncate);
}

void CRunReporter::CloseLog()
{
    m_log.Close();
    m_logFlush = false;
}

void CRunReporter::WriteLogLine(LogLine kind, const QString &text, bool last)
{
    if (m_muted || !m_log.IsOpen() || m_state.IsTest() || (kind == LogLine::Operation && m_logErrorsOnly))
        return;
    m_log.Write(ToUtf8(text), last && m_logFlush);
}

void CRunReporter::WriteOperationLine(const QString &operation, const QString &relative)
{
    WriteLogLine(LogLine::Operation, FormatPrintf(Text(IDS_LOG_OPERATION_LINE), {operation, relative}));
}
