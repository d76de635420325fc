#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Names on disk are bytes, normally UTF-8. A byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80..U+DCFF (0x80..0xFF) and turns back into the same byte, so every name, even an
// invalid one, can be shown, compared and handed back to the disk unchanged.

// The bytes of a name or path. valid is false when the text holds a lone surrogate that stands for
// no byte (nothing on disk is spelled that way); such a surrogate is written as its 3-byte form.
QByteArray EncodeFileName(QStringView name, bool *valid = nullptr);
// The text of a name or path; valid tells whether the bytes were valid UTF-8.
QString DecodeFileName(QByteArrayView bytes, bool *valid = nullptr);
// The same into text, in the room it has when nothing else shares it: a listing decodes every
// name of a folder into one string.
void DecodeFileName(QByteArrayView bytes, QString &text, bool *valid);
