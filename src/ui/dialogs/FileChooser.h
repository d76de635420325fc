#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// A file dialog as the options ask for it: a title, a filter in the string table's form
// ("text|pattern|text|pattern|"), a default extension and the file to start from.
struct FileChooserRequest {
    enum class Kind { Save, Open };
    Kind kind = Kind::Open;
    QString title;
    QString filter;
    QString defaultExtension;
    QString initialPath;
};

// Who shows the file dialogs: the real one, or a test.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen full path; none when the dialog was cancelled or failed.
    virtual std::optional<QString> ChooseFile(const FileChooserRequest &request, QWidget *parent) = 0;
};
