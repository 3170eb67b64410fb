// Paints the grid's cells so that the colours of "State" and "Active" stay visible
// on the selected row: a cell with a background of its own keeps it, and the
// selection shows as a frame around it.
#pragma once

#include <QStyledItemDelegate>

namespace orvalo {

class StatusCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace orvalo
