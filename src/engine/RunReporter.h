#pragma once

#include "engine/RunLog.h"
#include "platform/MessageBox.h"

#include <QString>
#include <QtGlobal>

#include <unordered_map>

struct AppFlags;
struct CRunState;
struct GlobalOptions;
class RunHost;

// How grave a reported failure is; the run's result code is the highest level reported.
enum class ErrorLevel {
    None = 0,
    Minor = 1,      // a check that succeeded only after retries, an invalid timestamp
    Deletion = 2,   // a failure on the deleting side
    Update = 3,     // a failure while bringing the backup up to date
    Setting = 4,    // a setting or the run could not be carried out
};

// Where an operation is reported: the report list, the log, or both.
struct ReportWhere {
    bool list = true;
    bool log = true;
};

// What a run tells the world: report rows and status texts through the host, lines of the run
// log, and failures through ReportError, which asks or answers, counts, and raises the result.
class CRunReporter {
public:
    enum class ErrorMode { Normal, ResolvedByRetry };
    enum class LogLine { Operation, Error, Header };

    CRunReporter(RunHost &host, CRunState &state, const AppFlags &flags, const GlobalOptions &options);
    CRunReporter(const CRunReporter &) = delete;
    CRunReporter &operator=(const CRunReporter &) = delete;
    virtual ~CRunReporter();

    // Every failure of a run passes through here; returns the answer that counts.
    MessageAnswer ReportError(ErrorLevel level, const QString &detail, const MessageBoxRequest &box,
                              ErrorMode mode = ErrorMode::Normal);
    // Counts an error into the setting and adds its row: what callers do after any answer but Retry.
    void CountError();
    void AddErrorRow();
    void RaiseResult(ErrorLevel level);
    int Result() const { return int(m_result); }

    void AddReportRow(const QString &operation, const QString &name, qint64 masterTime = 0,
                      qint64 backupTime = 0, bool sizeShown = false, quint64 size = 0);
    void ReportOperation(const QString &operation, qint64 masterTime, const QString &relative,
                         qint64 backupTime, bool sizeShown, quint64 size, ReportWhere where);
    // Where a skipped item is reported, by the setting's and the global options.
    ReportWhere SkipPolicy() const;
    void StatusText(const QString &text, const QString &path = QString());
    // An information or warning box with an OK button.
    void ShowMessage(const QString &text, const QString &caption, MessageIcon icon);
    // An unattended run that exits by itself shows no messages when the options say so.
    bool MessagesSuppressedForExit() const;

    // The log of the setting being processed; nothing is written in a test run.
    bool OpenLog(const QString &path, bool truncate, bool errorsOnly, bool flush);
    void CloseLog();
    bool LogIsOpen() const { return m_log.IsOpen(); }
    // last: the last line of a group, after which the log is flushed when the options ask.
    void WriteLogLine(LogLine kind, const QString &text, bool last = true);
    void WriteOperationLine(const QString &operation, const QString &relative);

    // While muted nothing is shown, logged, counted or asked: a pass that only counts runs so.
    void SetMuted(bool muted) { m_muted = muted; }

    const QString &Text(int id);   // a string-table text, loaded once per run
    RunHost &Host() const { return m_host; }

private:
    RunHost &m_host;
    CRunState &m_state;
    const AppFlags &m_flags;
    const GlobalOptions &m_options;
    CRunLog m_log;
    bool m_logErrorsOnly = false;
    bool m_logFlush = false;
    ErrorLevel m_result = ErrorLevel::None;   // only rises
    QString m_lastError;
    bool m_muted = false;
    std::unordered_map<int, QString> m_texts;   // references stay valid as it grows
};
