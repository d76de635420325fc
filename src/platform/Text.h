#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <optional>

// Numbers, sizes, the stored size threshold, system error texts, the string table and the version.

// "1,234,567"
QString FormatThousands(quint64 n);
// "1,023 B", "1.5 KB", "1,024.0 TB": one decimal, cut, not rounded.
QString FormatSize(quint64 n);

// Stored form of a folder setting's size threshold: "500MB", "1024".
QString FormatSizeSetting(qint32 value, qint32 unit);
struct SizeSetting {
    qint32 value = 0;
    qint32 unit = 0;   // 0 bytes, 1 KB, 2 MB, 3 GB, 4 TB
};
SizeSetting ParseSizeSetting(const QString &text);

// The system's text for an errno value in the user's language, ending in CR LF; "" for a code
// the system has no text for.
QString SystemErrorText(int code);
// The text of the current errno; the code itself to a caller that asks for it.
QString LastErrorText(int *code = nullptr);

// The numbered text of the string table; "" when the id has none.
QString LoadResString(int id);

// The program's version, "?.??" when it is not known.
QString ProgramVersionText();

// UTF-8 bytes without a byte-order mark.
QByteArray ToUtf8(const QString &text);

// Fills a string-table format ("%s", "%d", "%02d", "%%") with the arguments in order; numbers
// are passed as their decimal text. A placeholder without an argument stays empty.
QString FormatPrintf(const QString &format, std::initializer_list<QString> args);

// A time (seconds since 1970 UTC) as local calendar time in a format of the string table
// ("%04d/%02d/%02d %02d:%02d:%02d"); none when it has no calendar time.
std::optional<QString> FormatLocalDateTime(qint64 seconds, const QString &format);
