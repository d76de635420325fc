#include "ui/dialogs/OkCancelButtons.h"

#include <QDialog>
#include <QPushButton>

QDialogButtonBox *OkCancelButtons(QDialog *dialog, Qt::Orientation orientation)
{
    auto *buttons = new QDialogButtonBox(orientation, dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral(u"キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
