// The two list tables: ten recordings to a page, five in each table.
#include "tracora.h"
#include "tracora_state.h"

#include <QTableWidget>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/ulistpaging.h"
#include "console/urecordingtext.h"
#include "mainwindow/unamecelldelegate.h"
#include "playback/uvlcwrapper.h"

namespace {

constexpr int ListColumns = 4;

void FillRow(QTableWidget *table, int row, const UVideoAndGpsfiles *files, int index, const QString &recorded)
{
    const UCameraFiles cameras = files->GetCameras(index);
    table->item(row, 0)->setText(URecordingText::NameCell(files->GetVideoName(index), cameras));
    table->item(row, 0)->setData(UNameCellDelegate::MarkRole, URecordingText::CameraMark(cameras));
    // The table cuts long names: the whole path (every camera's) shows on
    // hovering, with when the recording was made.
    const QString paths = URecordingText::NameTooltip(cameras);
    table->item(row, 0)->setToolTip(recorded.isEmpty() ? paths : paths + QLatin1Char('\n') + recorded);
    table->item(row, 1)->setText(files->GetVideoDate(index));
    table->item(row, 2)->setText(files->GetVideoTime(index));
    table->item(row, 3)->setText(files->GetGpsfileStatus(index));
    table->item(row, 3)->setToolTip(files->GetGpsSourceText(index));
}

} // namespace

void Tracora::FillTable(QTableWidget *table, UListTable side, int page)
{
    for (int row = 0; row < UListPaging::TableRows; ++row) {
        const int index = UListPaging::IndexAt(page, side, row);
        if (index >= VideoFiles->GetVideoCount())
            break;
        FillRow(table, row, VideoFiles, index, RecordedText(index));
    }
}

void Tracora::ListTableUpdate()
{
    for (int row = 0; row < UListPaging::TableRows; ++row) {
        for (int column = 0; column < ListColumns; ++column)
            VideoListLeft->item(row, column)->setText(QString());
        for (int column = 0; column < ListColumns; ++column)
            VideoListRight->item(row, column)->setText(QString());
        VideoListLeft->item(row, 0)->setToolTip(QString());
        VideoListRight->item(row, 0)->setToolTip(QString());
        VideoListLeft->item(row, 0)->setData(UNameCellDelegate::MarkRole, QVariant());
        VideoListRight->item(row, 0)->setData(UNameCellDelegate::MarkRole, QVariant());
        VideoListLeft->item(row, 3)->setToolTip(QString());
        VideoListRight->item(row, 3)->setToolTip(QString());
    }

    FillTable(VideoListLeft, UListTable::Left, Status->CurrentPage);
    FillTable(VideoListRight, UListTable::Right, Status->CurrentPage);

    VideoListLeft->setCurrentCell(-1, -1);
    VideoListRight->setCurrentCell(-1, -1);

    const UListRow highlight = UListPaging::HighlightFor(VlcWrapper->GetIndex());
    QTableWidget *table = highlight.Table == UListTable::Left ? VideoListLeft : VideoListRight;
    table->setCurrentCell(highlight.Row, 0);
}

void Tracora::ListTableNextPage()
{
    Status->CurrentPage = UListPaging::NextPage(Status->CurrentPage, VideoFiles->GetVideoCount());
    VideoListRight->setCurrentCell(-1, -1);
    VideoListLeft->setCurrentCell(-1, -1);
    ListTableUpdate();
}

void Tracora::ListTablePreviousPage()
{
    Status->CurrentPage = UListPaging::PreviousPage(Status->CurrentPage);
    VideoListRight->setCurrentCell(-1, -1);
    VideoListLeft->setCurrentCell(-1, -1);
    ListTableUpdate();
}

void Tracora::ListTableClearSelecttionLeft()
{
    VideoListLeft->setCurrentCell(-1, -1);
}

void Tracora::ListTableClearSelecttionRight()
{
    VideoListRight->setCurrentCell(-1, -1);
}

void Tracora::ListTablePlayVideoLeft(int row, int)
{
    LoadMapToPlay(UListPaging::IndexAt(Status->CurrentPage, UListTable::Left, row));
}

void Tracora::ListTablePlayVideoRight(int row, int)
{
    LoadMapToPlay(UListPaging::IndexAt(Status->CurrentPage, UListTable::Right, row));
}
