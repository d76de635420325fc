#pragma once

#include <QString>

#include <optional>

class QUrl;

// Whether an item dropped on the main window can be opened as the program's document. The
// document holds nothing, so nothing is read: a readable file opens, anything else does not.
// Returns the message that says why it cannot, or none when it opens.
std::optional<QString> DocumentDropRefusal(const QUrl &item);
