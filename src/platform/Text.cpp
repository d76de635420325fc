#include "platform/Text.h"

#include "res/StringTable.h"
#include "Version.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <iterator>
#include <limits>
#include <locale.h>
#include <ctime>

QString FormatThousands(quint64 n)
{
    QString tail;
    while (n >= 1000) {
        tail.prepend(QStringLiteral(",%1").arg(n % 1000, 3, 10, QChar(u'0')));
        n /= 1000;
    }
    return QString::number(n) + tail;
}

QString FormatSize(quint64 n)
{
    if (n < 1024)
        return FormatThousands(n) + QStringLiteral(" B");

    struct Unit {
        quint64 divisor;
        char16_t letter;
    };
    static constexpr Unit units[] = {
        {1ull << 10, u'K'}, {1ull << 20, u'M'}, {1ull << 30, u'G'}, {1ull << 40, u'T'}};
    const Unit *unit = std::find_if(std::begin(units), std::end(units) - 1,
                                    [n](const Unit &u) { return n < u.divisor * 1024; });
    const quint64 whole = n / unit->divisor;
    // (n mod divisor) * 10 stays below 2^44 * 10 for every divisor, so it cannot overflow.
    const quint64 tenth = (n % unit->divisor) * 10 / unit->divisor;
    return QStringLiteral("%1.%2 %3B").arg(FormatThousands(whole)).arg(tenth).arg(QChar(unit->letter));
}

namespace {

constexpr const char16_t *SizeSuffixes[] = {u"", u"KB", u"MB", u"GB", u"TB"};

} // namespace

QString FormatSizeSetting(qint32 value, qint32 unit)
{
    const char16_t *suffix = unit >= 1 && unit <= 4 ? SizeSuffixes[unit] : u"";
    return QString::number(value) + QString::fromUtf16(suffix);
}

SizeSetting ParseSizeSetting(const QString &text)
{
    QString digits;
    QString suffix;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
            suffix.clear();
        } else {
            suffix += c;
        }
    }

    SizeSetting result;
    // Read like wcstol: saturate at the largest 32-bit value instead of overflowing.
    qint64 value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<qint32>::max()) {
            value = std::numeric_limits<qint32>::max();
            break;
        }
    }
    result.value = static_cast<qint32>(value);

    const QString upper = suffix.toUpper();
    for (qint32 unit = 1; unit <= 4; ++unit) {
        if (upper == QStringView(SizeSuffixes[unit]))
            result.unit = unit;
    }
    return result;
}

namespace {

locale_t UserMessageLocale()
{
    // The user's language for messages, as the environment chooses it; the C locale otherwise.
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        return l ? l : newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

} // namespace

QString SystemErrorText(int code)
{
    // glibc names every code it has a text for; strerror_l would invent "Unknown error N".
    if (code < 0 || strerrorname_np(code) == nullptr)
        return QString();
    const char *text = strerror_l(code, UserMessageLocale());
    if (text == nullptr || *text == '\0')
        return QString();
    return QString::fromLocal8Bit(text) + QStringLiteral("\r\n");
}

QString LastErrorText(int *code)
{
    const int error = errno;
    if (code)
        *code = error;
    return SystemErrorText(error);
}

QString LoadResString(int id)
{
    const auto table = res::StringTable();
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const res::StringEntry &entry, int key) { return entry.id < key; });
    if (it == table.end() || it->id != id)
        return QString();
    return QString::fromUtf8(it->utf8);
}

QString ProgramVersionText()
{
    const QString version = QStringLiteral(ORVANE_VERSION_TEXT);
    return version.isEmpty() ? QStringLiteral("?.??") : version;
}

QByteArray ToUtf8(const QString &text)
{
    return text.toUtf8();
}

QString FormatPrintf(const QString &format, std::initializer_list<QString> args)
{
    QString result;
    result.reserve(format.size() + 32);
    auto arg = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            result += format[i];
            continue;
        }
        if (format[i + 1] == u'%') {
            result += u'%';
            ++i;
            continue;
        }
        // %s, %d, %ld or %0Nd: the width only pads numbers.
        qsizetype j = i + 1;
        const bool zeroPad = format[j] == u'0';
        int width = 0;
        while (j < format.size() && format[j].isDigit())
            width = width * 10 + format[j++].digitValue();
        while (j < format.size() && format[j] == u'l')
            ++j;
        if (j >= format.size() || (format[j] != u's' && format[j] != u'd')) {
            result += format[i];
            continue;
        }
        QString value = arg != args.end() ? *arg++ : QString();
        if (format[j] == u'd' && value.size() < width) {
            const bool negative = value.startsWith(u'-');
            const QString digits = negative ? value.mid(1) : value;
            value = (negative ? QStringLiteral("-") : QString())
                + QString(width - value.size(), zeroPad ? u'0' : u' ') + digits;
        }
        result += value;
        i = j;
    }
    return result;
}

std::optional<QString> FormatLocalDateTime(qint64 seconds, const QString &format)
{
    const time_t time = static_cast<time_t>(seconds);
    struct tm local;
    if (localtime_r(&time, &local) == nullptr)
        return std::nullopt;
    const auto n = [](long long value) { return QString::number(value); };
    return FormatPrintf(format, {n(local.tm_year + 1900LL), n(local.tm_mon + 1), n(local.tm_mday),
                                 n(local.tm_hour), n(local.tm_min), n(local.tm_sec)});
}
