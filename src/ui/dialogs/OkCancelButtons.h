#pragma once

#include <QDialogButtonBox>

class QDialog;

// The OK and キャンセル buttons of a dialog, OK the default, accepting and rejecting it.
QDialogButtonBox *OkCancelButtons(QDialog *dialog, Qt::Orientation orientation = Qt::Horizontal);
