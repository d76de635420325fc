#pragma once

#include <QDialog>

class QLabel;

// The version dialog: the program's icon, its version line, two notices, where the user
// database and the manual are, and OK.
class CDlgAbout : public QDialog {
    Q_OBJECT

public:
    explicit CDlgAbout(QWidget *parent = nullptr);
    ~CDlgAbout() override;

    // "Orvane Unicode Ver.0.311 (x64)": the title, the program's version and the build suffix.
    static QString VersionLine();
    QString ShownVersionLine() const;
    // Where the user database ("registry") and the manual of this program are.
    static QString FilesText();
    QString ShownFilesText() const;

private:
    QLabel *m_version;
    QLabel *m_files;
};
