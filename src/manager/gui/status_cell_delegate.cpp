#include "manager/gui/status_cell_delegate.h"

#include <QPainter>

namespace orvalo {

void StatusCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!(option.state & QStyle::State_Selected) || !background.isValid())
        return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem plain = option;
    plain.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, plain, index);
    painter->save();
    QPen frame(option.palette.color(QPalette::Highlight));
    frame.setWidth(2);
    painter->setPen(frame);
    painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
    painter->restore();
}

}  // namespace orvalo
