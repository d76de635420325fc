#include "ui/CentredCheckDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {

QStyle *StyleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

QStyleOptionViewItem CCentredCheckDelegate::BoxOption(const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem box(option);
    const QSize size = StyleOf(option)->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, option.widget).size();
    box.rect = QRect(QPoint(0, 0), size);
    box.rect.moveCenter(option.rect.center());
    return box;
}

void CCentredCheckDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    QStyle *style = StyleOf(cell);
    // The cell's background and selection across its width, then the box alone in the middle.
    QStyleOptionViewItem background(cell);
    background.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    background.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, cell.widget);
    if (!cell.features.testFlag(QStyleOptionViewItem::HasCheckIndicator))
        return;
    QStyleOptionViewItem box = BoxOption(cell);
    box.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange | QStyle::State_HasFocus);
    box.state |= cell.checkState == Qt::Checked ? QStyle::State_On
                 : cell.checkState == Qt::PartiallyChecked ? QStyle::State_NoChange : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, cell.widget);
}

bool CCentredCheckDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                        const QModelIndex &index)
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    // The base class finds the box at the left of the rectangle it is given: give it the box.
    return QStyledItemDelegate::editorEvent(event, model, BoxOption(cell), index);
}
