#pragma once

#include "cli/OutputStream.h"
#include "engine/RunHost.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <functional>

// The run's host on a terminal, or on whatever standard output and error are: every report row
// is one tab-separated line on the output as it comes; status texts and a progress line go to
// the error stream only when it is a terminal; questions take the unattended answers, or with
// interactive set are asked on the terminal. A stream that failed is written no more; the run
// goes on.
class CTerminalRunHost : public RunHost {
public:
    struct Streams {
        COutputStream *out = nullptr;
        COutputStream *err = nullptr;
        FILE *in = stdin;
        bool statusShown = false;   // the error stream is a terminal and quiet is off
        bool quiet = false;         // nothing but errors
        bool interactive = false;   // ask on the terminal
    };

    explicit CTerminalRunHost(const Streams &streams);
    // The given streams with standard input, statusShown and interactive decided from what they are.
    static Streams StandardStreams(COutputStream &out, COutputStream &err, bool quiet, bool interactive);

    void StatusText(const QString &text, const QString &path) override;
    void ClearReport() override {}
    void AddReportRow(const ReportRow &row) override;
    void SettingUpdate(const SettingState &state) override;
    MessageAnswer MessageBox(const MessageBoxRequest &request) override;
    DeleteChoice ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText) override;
    int TextWidth(const QString &text) override { return CellWidth(text); }
    void EnableClose(bool) override {}
    void RunFinished() override;
    void RequestClose() override {}

    // Called with each setting whose state changed, before the worker goes on.
    std::function<void(const SettingState &)> onSettingUpdate;

    // A row as its line, without the line end: operation, name, master time, backup time, size.
    static QString FormatRow(const ReportRow &row);
    // A column's text on one line: breaks and tabs become blanks, trailing blanks go.
    static QString OneLine(const QString &text);
    // Terminal cells of a text: two for wide East Asian characters, one for the others.
    static int CellWidth(const QString &text);
    // Ends the progress line, so that what follows starts on a line of its own.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;

    void EraseProgress();
    void DrawProgress();
    QString ProgressLine(int width) const;
    // Reads one answer key; 0 at the end of the input.
    char Ask(const QString &prompt);

    Streams m_streams;
    bool m_outIsTerminal = false;
    const QString m_backingUp;
    const QString m_mirroring;
    const QString m_create;
    const QString m_update;
    const QString m_error;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastDraw{};
    QString m_status;
    QString m_path;
    qint64 m_considered = 0;
    qint64 m_rows = 0;
    quint64 m_bytesCopied = 0;
    bool m_progressVisible = false;
};
