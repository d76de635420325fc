#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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
