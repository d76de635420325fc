#include "ui/dialogs/FieldBindings.h"

#include "ui/dialogs/NumberEdit.h"

#include <QAbstractButton>
#include <QLineEdit>

std::optional<QString> NumberMessage(const QString &text, int minimum, int maximum, bool withRange)
{
    const std::optional<qint32> number = ParseInteger(text);
    if (!number)
        return QStringLiteral(u"整数を入力してください。");
    if (withRange && (*number < minimum || *number > maximum))
        return QStringLiteral(u"%1 から %2 までの整数を入力してください。").arg(minimum).arg(maximum);
    return std::nullopt;
}

void CFieldBindings::Bind(QAbstractButton *box, bool CFolderSetting::*field)
{
    m_flags.append({box, field});
}

void CFieldBindings::Bind(QLineEdit *edit, QString CFolderSetting::*field)
{
    m_texts.append({edit, field});
}

void CFieldBindings::Bind(CNumberEdit *edit, qint32 CFolderSetting::*field, bool withRange)
{
    m_numbers.append({edit, field, withRange});
}

void CFieldBindings::Show(const CFolderSetting &values) const
{
    for (const Flag &flag : m_flags)
        flag.box->setChecked(values.*flag.field);
    for (const Text &text : m_texts)
        text.edit->setText(values.*text.field);
    for (const Number &number : m_numbers)
        number.edit->SetNumber(values.*number.field);
}

void CFieldBindings::Take(CFolderSetting &values) const
{
    for (const Flag &flag : m_flags)
        values.*flag.field = flag.box->isChecked();
    for (const Text &text : m_texts)
        values.*text.field = text.edit->text();
    for (const Number &number : m_numbers) {
        if (const std::optional<qint32> typed = number.edit->Number())
            values.*number.field = *typed;
    }
}

void CFieldBindings::Copy(const CFolderSetting &from, CFolderSetting &to) const
{
    for (const Flag &flag : m_flags)
        to.*flag.field = from.*flag.field;
    for (const Text &text : m_texts)
        to.*text.field = from.*text.field;
    for (const Number &number : m_numbers)
        to.*number.field = from.*number.field;
}

std::optional<NumberProblem> CFieldBindings::CheckNumbers() const
{
    for (const Number &number : m_numbers) {
        const std::optional<QString> message = NumberMessage(number.edit->Text(), number.edit->Minimum(),
                                                             number.edit->Maximum(), number.withRange);
        if (message)
            return NumberProblem{number.edit, *message};
    }
    return std::nullopt;
}
