#ifndef NUVOXA_RECORDS_NOFOCUSDELEGATE_H
#define NUVOXA_RECORDS_NOFOCUSDELEGATE_H

#include <QStyledItemDelegate>

// Draws list rows without the dotted focus frame of the current row.
class NoFocusDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

#endif
