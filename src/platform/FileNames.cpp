#include "platform/FileNames.h"

#include <algorithm>

namespace {

constexpr char16_t EscapeBase = 0xDC00;   // + byte 0x80..0xFF

bool IsAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// Range of the second byte after each lead byte of strict UTF-8: this leaves out overlong forms
// (E0 80..9F, F0 80..8F), encoded surrogates (ED A0..BF) and code points above U+10FFFF.
struct LeadByte {
    uchar first, last;      // lead bytes
    int length;
    uchar low, high;        // allowed second byte
};

constexpr LeadByte LeadBytes[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// Length of the valid sequence at p (at least one byte left), its code point in *code; 0 when the
// bytes there are no valid UTF-8.
int DecodeSequence(const uchar *p, qsizetype left, char32_t *code)
{
    if (p[0] < 0x80) {
        *code = p[0];
        return 1;
    }
    const auto lead = std::find_if(std::begin(LeadBytes), std::end(LeadBytes),
                                   [&](const LeadByte &l) { return p[0] >= l.first && p[0] <= l.last; });
    if (lead == std::end(LeadBytes) || left < lead->length || p[1] < lead->low || p[1] > lead->high)
        return 0;
    char32_t value = p[0] & (0x7F >> lead->length);
    for (int i = 1; i < lead->length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    *code = value;
    return lead->length;
}

void AppendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

QString DecodeUtf8(QByteArrayView bytes, bool *valid)
{
    QString out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        const int length = DecodeSequence(p + i, size - i, &code);
        if (length == 0) {
            out += QChar(char16_t(EscapeBase + p[i]));
            if (valid)
                *valid = false;
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            out += QChar(QChar::highSurrogate(code));
            out += QChar(QChar::lowSurrogate(code));
        } else {
            out += QChar(char16_t(code));
        }
        i += length;
    }
    return out;
}

} // namespace

QByteArray EncodeFileName(QStringView name, bool *valid)
{
    if (valid)
        *valid = true;
    if (IsAscii(name))
        return name.toLatin1();
    QByteArray out;
    out.reserve(name.size() * 3);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(unit, name[i + 1].unicode()));
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            out += char(unit - EscapeBase);
        } else {
            if (QChar::isSurrogate(unit) && valid)
                *valid = false;
            AppendUtf8(out, unit);
        }
    }
    return out;
}

QString DecodeFileName(QByteArrayView bytes, bool *valid)
{
    QString text;
    DecodeFileName(bytes, text, valid);
    return text;
}

void DecodeFileName(QByteArrayView bytes, QString &text, bool *valid)
{
    if (valid)
        *valid = true;
    // Most names are plain ASCII: widened in the one pass that finds out.
    text.resize(bytes.size());
    char16_t *unit = reinterpret_cast<char16_t *>(text.data());
    qsizetype done = 0;
    for (; done < bytes.size() && uchar(bytes[done]) < 0x80; ++done)
        unit[done] = char16_t(uchar(bytes[done]));
    if (done < bytes.size())
        text = DecodeUtf8(bytes, valid);
}
