#pragma once

#include "ui/dialogs/FileChooser.h"

// The desktop's file dialogs. A save dialog asks before it overwrites and adds the default
// extension to a name without one; an open dialog takes only existing files, named as they are.
class CFileDialogChooser : public FileChooser {
public:
    ~CFileDialogChooser() override;

    std::optional<QString> ChooseFile(const FileChooserRequest &request, QWidget *parent) override;

    // The filters of a string-table filter text as the file dialog reads them: one per
    // text/pattern pair, "*.*" meaning every file, as it does where the texts were written.
    static QStringList NameFilters(const QString &filter);
    // The filter to show first: the first one that shows the initial file, else the first.
    static QString InitialFilter(const QStringList &nameFilters, const QString &initialPath);
};
