#pragma once

#include <QDialog>

class CFileDropEdit;
class QPushButton;

// The texts of a dialog that enters one target pattern.
struct PatternDialogTexts {
    QString caption;
    QString prompt;
    QString examples;
    QString fieldLabel;
    QStringList notes;
};

// A small dialog that enters or changes one target pattern. OK is offered once the text has
// been changed and is not empty; the text is taken as it stands.
class CDlgAddPattern : public QDialog {
    Q_OBJECT

public:
    CDlgAddPattern(const PatternDialogTexts &texts, QWidget *parent = nullptr);

    // The text the dialog opens with (empty for a new pattern); OK waits for a change.
    void SetText(const QString &text);
    QString Text() const;

    CFileDropEdit *Edit() const { return m_edit; }
    QPushButton *OkButton() const { return m_ok; }

private:
    CFileDropEdit *m_edit;
    QPushButton *m_ok;
};
