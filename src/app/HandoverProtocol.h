#pragma once

#include "engine/ReportRow.h"
#include "platform/MessageBox.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <climits>
#include <optional>

// A run that orvane-cli hands to the window because the window holds the configuration. Both
// sides talk over the window's single-instance socket in lines of UTF-8: a word, then fields
// separated by tabs, in which a backslash, a tab, a CR and an LF are written \\, \t, \r, \n.
//
//   caller: run lock=PATH [project=N] [setting=N]... [test] [auto] [interactive] [status]
//   window: refused REASON [DETAILS]...                 and closes; or
//           accepted
//           row ... | status TEXT PATH | message ID ... | delete ID ... | alive   as the run goes
//           end RESULT                                 and closes
//   caller: answer ID VALUE                            for each message and delete question
//
// Numbers are decimal; projects and settings count from 0. The window sends "alive" every
// HeartbeatMs while the request lives, so a caller that hears nothing for SilenceLimitMs knows
// the window is gone or hangs.

struct HandoverRequest {
    QString lockPath;             // the configuration's lock file as the caller found it
    std::optional<int> project;   // none: the window's active project
    QList<int> settings;          // one run each, in this order; empty: 全更新 (or 全テスト)
    bool test = false;
    bool autoMode = false;        // the schedule gates, as an unattended start
    bool interactive = false;     // the caller's user answers the questions
    bool statusWanted = false;    // the caller shows the status texts

    friend bool operator==(const HandoverRequest &, const HandoverRequest &) = default;
};

enum class HandoverWord { Run, Accepted, Refused, Row, Status, Message, Delete, Alive, End, Answer };

enum class HandoverRefusal {
    Busy,                 // a run is active or about to start
    DialogOpen,           // a dialog of the window may be editing what the run would use
    OtherConfiguration,   // the window holds another configuration
    NotReady,             // the window is starting or ending
    BadRequest,
    NoProject,            // details: the number of projects
    NoSetting,            // details: the setting, the project, the number of its settings
    NoWorker,             // the run could not be started
};

struct HandoverLine {
    HandoverWord word = HandoverWord::Alive;
    QStringList fields;
};

class CHandoverProtocol {
public:
    static constexpr int HeartbeatMs = 1000;
    static constexpr int SilenceLimitMs = 10000;
    // Longer lines are not from this program: a row holds a path, a message a few of them.
    static constexpr qint64 MaxLine = 1 << 20;
    // The highest result code of a run.
    static constexpr int MaxResult = 4;

    virtual ~CHandoverProtocol() = default;

    // One line, with its LF.
    static QByteArray Line(HandoverWord word, const QStringList &fields = {});
    // A line with or without its LF (and CR); none when the word is unknown or an escape broken.
    static std::optional<HandoverLine> Parse(QByteArrayView line);

    static QByteArray RequestLine(const HandoverRequest &request);
    static std::optional<HandoverRequest> RequestOf(const HandoverLine &line);

    static QString RefusalWord(HandoverRefusal refusal);
    static std::optional<HandoverRefusal> RefusalOf(const QString &word);

    static QStringList RowFields(const ReportRow &row);
    static std::optional<ReportRow> RowOf(const QStringList &fields);
    // A message question: its id, then the box.
    static QStringList MessageFields(int id, const MessageBoxRequest &box);
    static std::optional<std::pair<int, MessageBoxRequest>> MessageOf(const QStringList &fields);

    // A field that must be a number from 0 to max.
    static std::optional<int> Number(const QString &field, int max = INT_MAX);
    static QString Escape(const QString &text);
    static std::optional<QString> Unescape(QStringView text);
};
