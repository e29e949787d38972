#pragma once
// Draws the cell borders of a report list, which Qt's tree view leaves out.
#include <QStyledItemDelegate>

namespace tarnwell {

class GridLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tarnwell
