#pragma once

#include <QDialog>

class QLabel;

// The version dialog: the program's icon, its version line, two notices and OK.
class CDlgAbout : public QDialog {
    Q_OBJECT

public:
    explicit CDlgAbout(QWidget *parent = nullptr);
    ~CDlgAbout() override;

    // "Orvane Unicode Ver.0.311 (x64)": the title, the program's version and the build suffix.
    static QString VersionLine();
    QString ShownVersionLine() const;

private:
    QLabel *m_version;
};
