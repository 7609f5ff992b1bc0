#ifndef UNAMECELLDELEGATE_H
#define UNAMECELLDELEGATE_H

#include <QStyledItemDelegate>

// Draws the list's file name cells: the name cut in the middle where it does
// not fit (recorders' names all begin with the same date; their ends tell
// recordings apart), the mark of the recording's other cameras kept whole.
// The cell's text stays whole; only what is drawn is cut.
class UNameCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The cell's data under this role is the camera mark its text ends with.
    static constexpr int MarkRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *Option, const QModelIndex &Index) const override;
};

#endif // UNAMECELLDELEGATE_H
