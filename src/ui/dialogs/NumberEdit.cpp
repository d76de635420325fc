#include "ui/dialogs/NumberEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

std::optional<qint32> ParseInteger(const QString &text)
{
    bool ok = false;
    const qint32 number = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<qint32>(number) : std::nullopt;
}

CNumberEdit::CNumberEdit(int minimum, int maximum, QWidget *parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

QString CNumberEdit::Text() const
{
    return lineEdit()->text();
}

void CNumberEdit::SetText(const QString &text)
{
    lineEdit()->setText(text);
}

void CNumberEdit::SetNumber(qint32 number)
{
    SetText(QString::number(number));
}

std::optional<qint32> CNumberEdit::Number() const
{
    return ParseInteger(Text());
}

QValidator::State CNumberEdit::validate(QString &input, int &) const
{
    if (m_digitsOnly && std::any_of(input.cbegin(), input.cend(), [](QChar c) { return c < u'0' || c > u'9'; }))
        return QValidator::Invalid;
    return QValidator::Acceptable;
}

// A text that is no number steps from the lower bound.
void CNumberEdit::stepBy(int steps)
{
    const qint64 shown = Number().value_or(m_minimum);
    const qint64 next = std::clamp<qint64>(shown + steps, m_minimum, m_maximum);
    SetNumber(qint32(next));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CNumberEdit::stepEnabled() const
{
    if (!isEnabled())
        return StepNone;
    const std::optional<qint32> shown = Number();
    if (!shown)
        return StepUpEnabled | StepDownEnabled;
    StepEnabled enabled = StepNone;
    if (*shown < m_maximum)
        enabled |= StepUpEnabled;
    if (*shown > m_minimum)
        enabled |= StepDownEnabled;
    return enabled;
}

// Room for the widest number of the range and the arrows.
QSize CNumberEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics(font());
    const int digits = std::max(metrics.horizontalAdvance(QString::number(m_maximum)),
                                metrics.horizontalAdvance(QString::number(m_minimum)));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(digits + metrics.horizontalAdvance(u'0') * 2, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize CNumberEdit::minimumSizeHint() const
{
    return sizeHint();
}
