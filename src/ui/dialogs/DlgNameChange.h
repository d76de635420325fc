#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// Asks for a name of at most 64 characters, with the given one selected for overwriting. An
// empty name comes back as "(名称未設定)".
class CDlgNameChange : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxNameLength = 64;

    // An empty caption keeps "名称変更".
    explicit CDlgNameChange(const QString &name, const QString &caption = QString(), QWidget *parent = nullptr);
    ~CDlgNameChange() override;

    // The name after OK; the given one before.
    QString Name() const { return m_name; }

    void accept() override;

private:
    QLineEdit *m_edit = nullptr;
    QString m_name;
};
