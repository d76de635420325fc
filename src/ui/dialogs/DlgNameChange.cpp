#include "ui/dialogs/DlgNameChange.h"

#include "platform/Text.h"
#include "res/StringIds.h"
#include "ui/dialogs/OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CDlgNameChange::CDlgNameChange(const QString &name, const QString &caption, QWidget *parent)
    : QDialog(parent), m_name(name)
{
    setWindowTitle(caption.isEmpty() ? QStringLiteral(u"名称変更") : caption);

    auto *label = new QLabel(QStringLiteral(u"名称(&N):"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("name"));
    m_edit->setMaxLength(MaxNameLength);
    m_edit->setText(name);
    m_edit->selectAll();
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 40);
    label->setBuddy(m_edit);

    QDialogButtonBox *buttons = OkCancelButtons(this);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edit->setFocus();
}

CDlgNameChange::~CDlgNameChange() = default;

void CDlgNameChange::accept()
{
    // The edit cuts a longer stored name to the limit; a name the user did not touch stays whole.
    const QString text = m_edit->isModified() ? m_edit->text() : m_name;
    m_name = text.isEmpty() ? LoadResString(IDS_PROJECT_UNNAMED) : text;
    QDialog::accept();
}
