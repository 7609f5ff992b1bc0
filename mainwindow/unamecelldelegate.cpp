#include "unamecelldelegate.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

#include "console/urecordingtext.h"

void UNameCellDelegate::initStyleOption(QStyleOptionViewItem *Option, const QModelIndex &Index) const
{
    QStyledItemDelegate::initStyleOption(Option, Index);
    if (Option->text.isEmpty())
        return;
    const QString mark = Index.data(MarkRole).toString();
    const QString name = mark.isEmpty() ? Option->text : Option->text.chopped(mark.size() + 1);
    const QWidget *widget = Option->widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The style draws the text this far inside the cell on either side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int width = style->subElementRect(QStyle::SE_ItemViewItemText, Option, widget).width() - 2 * margin;
    const QFontMetrics &metrics = Option->fontMetrics;
    Option->text = URecordingText::FitName(name, mark,
                                           [&metrics, width](const QString &Text) {
                                               return metrics.horizontalAdvance(Text) <= width;
                                           });
}
