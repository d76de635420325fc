#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MessageBoxPresenter;
class QWidget;

// A save-file dialog as a page asks for it.
struct SaveFileRequest {
    QString title;
    QStringList nameFilters;   // Qt's form: "ログファイル(*.log)"
    QString defaultSuffix;
    QString initialPath;
};

// What the pages of the folder setting sheet ask of the desktop: message boxes, the folder and
// save-file dialogs and the label of the volume that holds a folder. The windows use the system's
// own (FillMissing); tests put in scripted ones.
struct SheetServices {
    MessageBoxPresenter *messages = nullptr;
    // The chosen folder, or "" when the user cancelled.
    std::function<QString(QWidget *parent, const QString &title, const QString &start)> chooseFolder;
    // The chosen file, or "" when the user cancelled.
    std::function<QString(QWidget *parent, const SaveFileRequest &request)> chooseSaveFile;
    // The label of the volume that holds the folder as entered; "" when it has none or none is found.
    std::function<QString(const QString &folder)> volumeLabel;

    // The system's dialogs and volumes for every service left empty (not the message boxes).
    void FillMissing();
};

// The filter list of a file dialog from the "description|pattern|...|" form of the string table;
// "*.*" means every file, as it does on the system the texts were written for.
QStringList NameFiltersOf(const QString &pipeSeparated);

// The label of the volume that holds a folder as entered (environment variables expanded, a
// relative folder taken against the current one, as a run takes it); "" for an empty folder.
QString BackupVolumeLabel(const QString &folder);
