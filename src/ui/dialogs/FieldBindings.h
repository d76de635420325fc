#pragma once

#include "model/FolderSetting.h"

#include <QList>
#include <QString>

#include <optional>

class QAbstractButton;
class QLineEdit;
class QWidget;
class CNumberEdit;

// A number box whose text is not acceptable, and what the user is told.
struct NumberProblem {
    QWidget *box = nullptr;
    QString message;
};

// The controls of a page and the fields of a folder setting they edit: check boxes for flags,
// text boxes for texts, number boxes for numbers. Shows fields in the controls, takes them back,
// copies the bound fields between records and checks the number boxes.
class CFieldBindings {
public:
    void Bind(QAbstractButton *box, bool CFolderSetting::*field);
    void Bind(QLineEdit *edit, QString CFolderSetting::*field);
    // withRange: the number must lie within the box's range; otherwise it need only be an integer.
    void Bind(CNumberEdit *edit, qint32 CFolderSetting::*field, bool withRange = true);

    void Show(const CFolderSetting &values) const;
    // Numbers that are not integers are left as they were; check them first.
    void Take(CFolderSetting &values) const;
    void Copy(const CFolderSetting &from, CFolderSetting &to) const;
    // The first number box, in binding order, whose text is not acceptable.
    std::optional<NumberProblem> CheckNumbers() const;

private:
    struct Flag {
        QAbstractButton *box;
        bool CFolderSetting::*field;
    };
    struct Text {
        QLineEdit *edit;
        QString CFolderSetting::*field;
    };
    struct Number {
        CNumberEdit *edit;
        qint32 CFolderSetting::*field;
        bool withRange;
    };
    QList<Flag> m_flags;
    QList<Text> m_texts;
    QList<Number> m_numbers;
};

// What a number box with the text is told, or none when the text is acceptable.
std::optional<QString> NumberMessage(const QString &text, int minimum, int maximum, bool withRange);
