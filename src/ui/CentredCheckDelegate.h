#pragma once

#include <QStyledItemDelegate>

// Draws a column that holds only a check box with the box in the middle of the cell, and takes
// clicks and the space bar on it there.
class CCentredCheckDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    // The cell's option narrowed to the box, centred in the cell.
    static QStyleOptionViewItem BoxOption(const QStyleOptionViewItem &option);
};
