#include "app/HandoverProtocol.h"

#include <algorithm>
#include <array>

namespace {

struct Word {
    HandoverWord word;
    const char *text;
};

constexpr std::array Words{
    Word{HandoverWord::Run, "run"},       Word{HandoverWord::Accepted, "accepted"},
    Word{HandoverWord::Refused, "refused"}, Word{HandoverWord::Row, "row"},
    Word{HandoverWord::Status, "status"}, Word{HandoverWord::Message, "message"},
    Word{HandoverWord::Delete, "delete"}, Word{HandoverWord::Alive, "alive"},
    Word{HandoverWord::End, "end"},       Word{HandoverWord::Answer, "answer"},
};

struct RefusalName {
    HandoverRefusal refusal;
    const char16_t *text;
};

constexpr std::array RefusalNames{
    RefusalName{HandoverRefusal::Busy, u"busy"},
    RefusalName{HandoverRefusal::DialogOpen, u"dialog-open"},
    RefusalName{HandoverRefusal::OtherConfiguration, u"other-configuration"},
    RefusalName{HandoverRefusal::NotReady, u"not-ready"},
    RefusalName{HandoverRefusal::BadRequest, u"bad-request"},
    RefusalName{HandoverRefusal::NoProject, u"no-project"},
    RefusalName{HandoverRefusal::NoSetting, u"no-setting"},
    RefusalName{HandoverRefusal::NoWorker, u"no-worker"},
};

// The switches of a request, each a field of its own when set.
struct Switch {
    const char16_t *name;
    bool HandoverRequest::*flag;
};

constexpr std::array Switches{
    Switch{u"test", &HandoverRequest::test},
    Switch{u"auto", &HandoverRequest::autoMode},
    Switch{u"interactive", &HandoverRequest::interactive},
    Switch{u"status", &HandoverRequest::statusWanted},
};

constexpr int MaxProjects = 1000;
constexpr int MaxSettings = 1000;

template <typename E>
std::optional<E> EnumOf(const QString &field, E last)
{
    const std::optional<int> value = CHandoverProtocol::Number(field, int(last));
    return value ? std::optional<E>(E(*value)) : std::nullopt;
}

std::optional<qint64> Number64(const QString &field)
{
    bool ok = false;
    const qint64 value = field.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

QString CHandoverProtocol::Escape(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': escaped += u"\\\\"; break;
        case u'\t': escaped += u"\\t"; break;
        case u'\r': escaped += u"\\r"; break;
        case u'\n': escaped += u"\\n"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::optional<QString> CHandoverProtocol::Unescape(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case u'\\': plain += u'\\'; break;
        case u't': plain += u'\t'; break;
        case u'r': plain += u'\r'; break;
        case u'n': plain += u'\n'; break;
        default: return std::nullopt;
        }
    }
    return plain;
}

std::optional<int> CHandoverProtocol::Number(const QString &field, int max)
{
    // Digits only: no sign, no blanks, nothing the reader would quietly pass over.
    if (field.isEmpty() || field.size() > 10)
        return std::nullopt;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const qint64 value = field.toLongLong();
    return value <= max ? std::optional<int>(int(value)) : std::nullopt;
}

QByteArray CHandoverProtocol::Line(HandoverWord word, const QStringList &fields)
{
    QByteArray line;
    for (const Word &entry : Words) {
        if (entry.word == word)
            line = entry.text;
    }
    for (const QString &field : fields)
        line += '\t' + Escape(field).toUtf8();
    return line + '\n';
}

std::optional<HandoverLine> CHandoverProtocol::Parse(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    const QStringList parts = QString::fromUtf8(line).split(u'\t');
    HandoverLine parsed;
    const auto found = std::find_if(Words.begin(), Words.end(), [&](const Word &entry) { return parts.front() == QLatin1StringView(entry.text); });
    if (found == Words.end())
        return std::nullopt;
    parsed.word = found->word;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const std::optional<QString> field = Unescape(parts[i]);
        if (!field)
            return std::nullopt;
        parsed.fields << *field;
    }
    return parsed;
}

QByteArray CHandoverProtocol::RequestLine(const HandoverRequest &request)
{
    QStringList fields{QStringLiteral("lock=") + request.lockPath};
    if (request.project)
        fields << QStringLiteral("project=%1").arg(*request.project);
    for (int setting : request.settings)
        fields << QStringLiteral("setting=%1").arg(setting);
    for (const Switch &entry : Switches) {
        if (request.*entry.flag)
            fields << QString::fromUtf16(entry.name);
    }
    return Line(HandoverWord::Run, fields);
}

std::optional<HandoverRequest> CHandoverProtocol::RequestOf(const HandoverLine &line)
{
    if (line.word != HandoverWord::Run)
        return std::nullopt;
    HandoverRequest request;
    for (const QString &field : line.fields) {
        const QString key = field.section(u'=', 0, 0);
        const QString value = field.section(u'=', 1);
        const auto named = std::find_if(Switches.begin(), Switches.end(), [&](const Switch &entry) { return field == QStringView(entry.name); });
        if (named != Switches.end()) {
            request.*named->flag = true;
        } else if (key == u"lock" && !value.isEmpty()) {
            request.lockPath = value;
        } else if (key == u"project" && !request.project && Number(value, MaxProjects - 1)) {
            request.project = Number(value);
        } else if (key == u"setting" && request.settings.size() < MaxSettings && Number(value, MaxSettings - 1)) {
            request.settings << *Number(value);
        } else {
            return std::nullopt;
        }
    }
    if (request.lockPath.isEmpty())
        return std::nullopt;
    return request;
}

QString CHandoverProtocol::RefusalWord(HandoverRefusal refusal)
{
    for (const RefusalName &name : RefusalNames) {
        if (name.refusal == refusal)
            return QString::fromUtf16(name.text);
    }
    return {};
}

std::optional<HandoverRefusal> CHandoverProtocol::RefusalOf(const QString &word)
{
    for (const RefusalName &name : RefusalNames) {
        if (word == QStringView(name.text))
            return name.refusal;
    }
    return std::nullopt;
}

QStringList CHandoverProtocol::RowFields(const ReportRow &row)
{
    return {row.operation,
            row.name,
            QString::number(row.masterTime),
            QString::number(row.backupTime),
            row.sizeShown ? QStringLiteral("1") : QStringLiteral("0"),
            QString::number(row.size)};
}

std::optional<ReportRow> CHandoverProtocol::RowOf(const QStringList &fields)
{
    if (fields.size() != 6)
        return std::nullopt;
    const std::optional<qint64> master = Number64(fields[2]);
    const std::optional<qint64> backup = Number64(fields[3]);
    const std::optional<int> sizeShown = Number(fields[4], 1);
    bool sizeOk = false;
    const quint64 size = fields[5].toULongLong(&sizeOk);
    if (!master || !backup || !sizeShown || !sizeOk)
        return std::nullopt;
    return ReportRow{.operation = fields[0],
                     .name = fields[1],
                     .masterTime = *master,
                     .backupTime = *backup,
                     .sizeShown = *sizeShown == 1,
                     .size = size};
}

QStringList CHandoverProtocol::MessageFields(int id, const MessageBoxRequest &box)
{
    return {QString::number(id),
            box.text,
            box.caption,
            QString::number(int(box.buttons)),
            QString::number(int(box.icon)),
            QString::number(box.defaultButton),
            QString::number(int(box.unattended))};
}

std::optional<std::pair<int, MessageBoxRequest>> CHandoverProtocol::MessageOf(const QStringList &fields)
{
    if (fields.size() != 7)
        return std::nullopt;
    const std::optional<int> id = Number(fields[0]);
    const std::optional<MessageButtons> buttons = EnumOf(fields[3], MessageButtons::YesNo);
    const std::optional<MessageIcon> icon = EnumOf(fields[4], MessageIcon::Information);
    const std::optional<int> defaultButton = Number(fields[5], 2);
    const std::optional<MessageAnswer> unattended = EnumOf(fields[6], MessageAnswer::No);
    if (!id || !buttons || !icon || !defaultButton || !unattended)
        return std::nullopt;
    return std::pair{*id, MessageBoxRequest{.text = fields[1],
                                            .caption = fields[2],
                                            .buttons = *buttons,
                                            .icon = *icon,
                                            .defaultButton = *defaultButton,
                                            .unattended = *unattended}};
}
