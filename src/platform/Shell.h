#pragma once

#include "platform/MessageBox.h"

#include <QString>
#include <optional>

// Moves a file or folder (with its content) into the user's trash without asking anything.
// True only when it really is in the trash.
bool RecycleDelete(const QString &path);

// Gives target the last-access and last-write time of source; files and folders alike, links
// not followed. True when the times were read and written.
bool CopyFileTimes(const QString &source, const QString &target);

// A message box whose texts come from the string table; the rest of box as given.
MessageAnswer MessageBoxById(MessageBoxPresenter &presenter, int textId, int captionId, MessageBoxRequest box);
// The same with "%1" and, when given, "%2" of the text replaced by the inserts.
MessageAnswer MessageBoxFormatted(MessageBoxPresenter &presenter, int textId, int captionId, MessageBoxRequest box,
                                  const QString &insert1, const std::optional<QString> &insert2 = std::nullopt);
// The text MessageBoxFormatted shows.
QString FormatMessageText(const QString &text, const QString &insert1, const std::optional<QString> &insert2);
