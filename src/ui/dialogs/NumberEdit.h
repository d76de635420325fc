#pragma once

#include <QAbstractSpinBox>

#include <optional>

// A number box with up and down arrows whose text is free: what the user types stays as typed,
// even outside the range or not a number, and is checked when the page is left. The arrows and
// the arrow keys step from the number shown and never leave the range.
class CNumberEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit CNumberEdit(int minimum, int maximum, QWidget *parent = nullptr);

    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }

    // Only the digits 0-9 may be typed.
    void SetDigitsOnly(bool digitsOnly) { m_digitsOnly = digitsOnly; }

    QString Text() const;
    void SetText(const QString &text);
    void SetNumber(qint32 number);
    // The text as a signed 32-bit integer; none when it is not one.
    std::optional<qint32> Number() const;

    QValidator::State validate(QString &input, int &pos) const override;
    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum;
    int m_maximum;
    bool m_digitsOnly = false;
};

// The text as a signed 32-bit integer (blanks around it allowed); none when it is not one.
std::optional<qint32> ParseInteger(const QString &text);
