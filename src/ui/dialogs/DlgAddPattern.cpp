#include "ui/dialogs/DlgAddPattern.h"

#include "ui/FileDropEdit.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDlgAddPattern::CDlgAddPattern(const PatternDialogTexts &texts, QWidget *parent)
    : QDialog(parent), m_edit(new CFileDropEdit(this))
{
    setWindowTitle(texts.caption);
    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);

    auto *fieldLabel = new QLabel(texts.fieldLabel, this);
    fieldLabel->setBuddy(m_edit);
    auto *fieldRow = new QHBoxLayout;
    fieldRow->addWidget(fieldLabel);
    fieldRow->addWidget(m_edit, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(texts.prompt, this));
    layout->addWidget(new QLabel(texts.examples, this));
    layout->addLayout(fieldRow);
    for (const QString &note : texts.notes)
        layout->addWidget(new QLabel(note, this));
    layout->addWidget(buttons);
    m_edit->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_ok->setEnabled(!text.isEmpty()); });
}

void CDlgAddPattern::SetText(const QString &text)
{
    m_edit->setText(text);
    m_ok->setEnabled(false);
}

QString CDlgAddPattern::Text() const
{
    return m_edit->text();
}
