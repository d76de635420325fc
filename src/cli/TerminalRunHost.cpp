#include "cli/TerminalRunHost.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QList>
#include <QStringList>

#include <array>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);
const QString MissingTime = QStringLiteral("--/--/-- --:--:--");

QString Column(const QString &text)
{
    return CTerminalRunHost::OneLine(text);
}

} // namespace

namespace {

// Characters a terminal acts on instead of showing: the control characters, and the marks that
// turn the direction of the text around, which could make a name read as another.
bool ActsOnTerminal(QChar c)
{
    const char16_t u = c.unicode();
    return c.category() == QChar::Other_Control || u == 0x061C || u == 0x200E || u == 0x200F
        || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

} // namespace

QString CTerminalRunHost::OneLine(const QString &text)
{
    // A file name may hold anything a file system allows: it must not clear the screen or
    // retitle the terminal. Line breaks and tabs become blanks; the others are written as escapes.
    QString column;
    column.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            column += u' ';
        else if (ActsOnTerminal(c))
            column += c.unicode() < 0x100 ? QString::asprintf("\\x%02X", c.unicode()) : QString::asprintf("\\u%04X", c.unicode());
        else
            column += c;
    }
    qsizetype end = column.size();
    while (end > 0 && column[end - 1] == u' ')
        --end;
    column.truncate(end);
    return column;
}

namespace {

QString TimeText(qint64 seconds)
{
    static const QString format = LoadResString(IDS_FMT_DATE_TIME);
    if (seconds == 0)
        return MissingTime;
    return FormatLocalDateTime(seconds, format).value_or(MissingTime);
}

struct Answer {
    MessageAnswer id;
    char key;
    const char16_t *label;
};
constexpr std::array<Answer, 7> Answers{{
    {MessageAnswer::Ok, 'o', u"[O]K"},
    {MessageAnswer::Cancel, 'c', u"[C]キャンセル/Cancel"},
    {MessageAnswer::Abort, 'a', u"[A]中止/Abort"},
    {MessageAnswer::Retry, 'r', u"[R]再試行/Retry"},
    {MessageAnswer::Ignore, 'i', u"[I]無視/Ignore"},
    {MessageAnswer::Yes, 'y', u"[Y]はい/Yes"},
    {MessageAnswer::No, 'n', u"[N]いいえ/No"},
}};

const Answer *AnswerOf(MessageAnswer id)
{
    for (const Answer &answer : Answers) {
        if (answer.id == id)
            return &answer;
    }
    return nullptr;
}

struct DeleteAnswer {
    DeleteChoice choice;
    char key;
};
constexpr std::array<DeleteAnswer, 4> DeleteAnswers{{
    {DeleteChoice::DeleteThis, 'd'},
    {DeleteChoice::DeleteAll, 'a'},
    {DeleteChoice::SkipThis, 's'},
    {DeleteChoice::AbortRun, 'c'},
}};

bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
        || (c >= 0x20000 && c <= 0x3FFFD);
}

QString ElapsedText(std::chrono::steady_clock::duration elapsed)
{
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    return QString::asprintf("%lld:%02lld", seconds / 60, seconds % 60);
}

} // namespace

CTerminalRunHost::CTerminalRunHost(const Streams &streams)
    : m_streams(streams)
    , m_outIsTerminal(isatty(fileno(streams.out->File())))
    , m_backingUp(LoadResString(IDS_STATUS_BACKING_UP))
    , m_mirroring(LoadResString(IDS_STATUS_MIRRORING))
    , m_create(LoadResString(IDS_OP_CREATE))
    , m_update(LoadResString(IDS_OP_UPDATE))
    , m_error(LoadResString(IDS_OP_ERROR))
{
}

CTerminalRunHost::Streams CTerminalRunHost::StandardStreams(COutputStream &out, COutputStream &err, bool quiet,
                                                            bool interactive)
{
    Streams streams;
    streams.out = &out;
    streams.err = &err;
    streams.quiet = quiet;
    const bool errIsTerminal = isatty(fileno(err.File()));
    streams.statusShown = !quiet && errIsTerminal;
    streams.interactive = interactive && isatty(fileno(stdin)) && errIsTerminal;
    return streams;
}

QString CTerminalRunHost::FormatRow(const ReportRow &row)
{
    QString line = Column(row.operation) + u'\t' + Column(row.name) + u'\t';
    if (row.masterTime == 0 && row.backupTime == 0)
        return line + u'\t' + u'\t';
    line += TimeText(row.masterTime) + u'\t' + TimeText(row.backupTime) + u'\t';
    if (row.sizeShown)
        line += FormatSize(row.size);
    return line;
}

int CTerminalRunHost::CellWidth(const QString &text)
{
    int width = 0;
    for (char32_t c : text.toUcs4())
        width += IsWide(c) ? 2 : 1;
    return width;
}

void CTerminalRunHost::AddReportRow(const ReportRow &row)
{
    ++m_rows;
    if (row.sizeShown && (row.operation == m_create || row.operation == m_update))
        m_bytesCopied += row.size;
    if (!m_streams.quiet) {
        if (m_outIsTerminal)
            EraseProgress();
        m_streams.out->Write(FormatRow(row) + u'\n');
    } else if (row.operation == m_error) {
        m_streams.err->Write(FormatRow(row) + u'\n');
    }
}

void CTerminalRunHost::StatusText(const QString &text, const QString &path)
{
    if (!m_streams.statusShown)
        return;
    if (text == m_backingUp || text == m_mirroring)
        ++m_considered;
    m_status = text;
    m_path = path;
    const Clock::time_point now = Clock::now();
    // The end of a run is drawn at once; everything else at most every RedrawInterval.
    if (path.isEmpty() || now - m_lastDraw >= RedrawInterval) {
        m_lastDraw = now;
        DrawProgress();
    }
}

QString CTerminalRunHost::ProgressLine(int width) const
{
    const QString head = QStringLiteral(u"%1 件 / %2 行 / %3 / %4  %5")
                             .arg(m_considered)
                             .arg(m_rows)
                             .arg(FormatSize(m_bytesCopied), ElapsedText(Clock::now() - m_start), m_status);
    QString tail = Column(m_path);
    if (tail.isEmpty() || CellWidth(head) + 1 + CellWidth(tail) < width)
        return tail.isEmpty() ? head : head + u' ' + tail;
    // Keep the line on one terminal row: the end of the path tells most, so cut its start.
    const int room = width - 5 - CellWidth(head);
    if (room <= 0)
        return head;
    while (!tail.isEmpty() && CellWidth(tail) > room)
        tail.remove(0, tail.at(0).isHighSurrogate() ? 2 : 1);
    return head + QStringLiteral(" ...") + tail;
}

void CTerminalRunHost::DrawProgress()
{
    winsize size{};
    const int width = ioctl(fileno(m_streams.err->File()), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    if (m_outIsTerminal)
        m_streams.out->Flush();
    m_progressVisible = m_streams.err->Write(QStringLiteral("\r\x1b[K") + ProgressLine(width)) && m_streams.err->Flush();
}

void CTerminalRunHost::EraseProgress()
{
    if (!m_progressVisible)
        return;
    m_streams.err->Write(QByteArrayLiteral("\r\x1b[K"));
    m_streams.err->Flush();
    m_progressVisible = false;
}

void CTerminalRunHost::Finish()
{
    if (m_progressVisible) {
        m_streams.err->Write(QByteArrayLiteral("\n"));
        m_progressVisible = false;
    }
    m_streams.out->Flush();
    m_streams.err->Flush();
}

void CTerminalRunHost::SettingUpdate(const SettingState &state)
{
    if (onSettingUpdate)
        onSettingUpdate(state);
}

void CTerminalRunHost::RunFinished()
{
    m_streams.out->Flush();
}

char CTerminalRunHost::Ask(const QString &prompt)
{
    for (;;) {
        m_streams.err->Write(prompt);
        m_streams.err->Flush();
        char buffer[256];
        if (!std::fgets(buffer, sizeof buffer, m_streams.in))
            return 0;
        const QString answer = QString::fromUtf8(buffer).trimmed().toLower();
        if (answer.isEmpty())
            return '\n';
        if (answer.at(0).unicode() < 0x80)
            return char(answer.at(0).unicode());
    }
}

MessageAnswer CTerminalRunHost::MessageBox(const MessageBoxRequest &request)
{
    m_streams.out->Flush();
    EraseProgress();
    const std::span<const MessageAnswer> buttons = request.Answers();
    const bool asking = m_streams.interactive && request.Asks();
    const bool information = request.icon == MessageIcon::Information;
    if (m_streams.quiet && information && !asking)
        return request.unattended;
    m_streams.err->Write(QStringLiteral("[%1] %2\n").arg(request.caption, request.text));
    if (!asking) {
        if (request.Asks()) {
            if (const Answer *taken = AnswerOf(request.unattended))
                m_streams.err->Write(QStringLiteral("  -> %1\n").arg(QString::fromUtf16(taken->label).mid(3)));
        }
        m_streams.err->Flush();
        return request.unattended;
    }
    const MessageAnswer enterAnswer = request.DefaultAnswer();
    QStringList labels;
    for (MessageAnswer id : buttons)
        labels << QString::fromUtf16(AnswerOf(id)->label) + (id == enterAnswer ? QStringLiteral("*") : QString());
    const QString prompt = labels.join(u' ') + QStringLiteral(" ? ");
    for (;;) {
        const char key = Ask(prompt);
        if (key == 0)
            return request.unattended;
        if (key == '\n')
            return enterAnswer;
        for (MessageAnswer id : buttons) {
            if (AnswerOf(id)->key == key)
                return id;
        }
    }
}

DeleteChoice CTerminalRunHost::ConfirmDelete(const QString &fileName, const QString &sizeText, const QString &dateText)
{
    m_streams.out->Flush();
    EraseProgress();
    m_streams.err->Write(QStringLiteral(u"[ファイル削除確認] ファイル名: %1\n  更新日: %2\n  サイズ: %3\n")
                             .arg(fileName, dateText, sizeText));
    if (!m_streams.interactive) {
        // Nobody to ask: the file stays, as the setting asks for confirmation.
        m_streams.err->Write(QStringLiteral(u"  -> スキップ/Skip\n"));
        m_streams.err->Flush();
        return UnansweredDelete;
    }
    const QString prompt = QStringLiteral(u"[D]このファイルを削除/Delete* [A]以降すべて削除/All "
                                          u"[S]スキップ/Skip [C]中止/Cancel ? ");
    for (;;) {
        const char key = Ask(prompt);
        // An input that ends counts as a closed dialog: stop.
        if (key == 0)
            return DeleteChoice::AbortRun;
        if (key == '\n')
            return DeleteChoice::DeleteThis;
        for (const DeleteAnswer &answer : DeleteAnswers) {
            if (answer.key == key)
                return answer.choice;
        }
    }
}
