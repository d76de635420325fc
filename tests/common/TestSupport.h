#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace testsupport {

// Writes a file (creating its folders) and gives it a last-write time when one is set.
bool WriteFile(const QString &path, const QByteArray &content, const QDateTime &lastWrite = {});
QByteArray ReadFile(const QString &path);

// One line per item below root, sorted: relative path, kind, size, last-write time in
// nanoseconds and permission bits. Two equal listings mean nothing in the tree changed.
QStringList TreeListing(const QString &root);

} // namespace testsupport
