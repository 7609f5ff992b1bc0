// The two list tables: ten recordings to a page, five in each table.
#include "tracora.h"
#include "tracora_state.h"

#include <QTableWidget>

#include "catalogue/uvideoandgpsfiles.h"
#include "playback/uvlcwrapper.h"

namespace {

constexpr int ListColumns = 4;

void FillRow(QTableWidget *table, int row, const UVideoAndGpsfiles *files, int index)
{
    table->item(row, 0)->setText(files->GetVideoName(index));
    table->item(row, 1)->setText(files->GetVideoDate(index));
    table->item(row, 2)->setText(files->GetVideoTime(index));
    table->item(row, 3)->setText(files->GetGpsfileStatus(index));
}

} // namespace

int Tracora::PageCount() const
{
    const int count = VideoFiles->GetVideoCount();
    return count % ListPageSize == 0 ? count / ListPageSize : count / ListPageSize + 1;
}

void Tracora::ListTableUpdate()
{
    for (int row = 0; row < ListTableRows; ++row) {
        for (int column = 0; column < ListColumns; ++column)
            VideoListLeft->item(row, column)->setText(QString());
        for (int column = 0; column < ListColumns; ++column)
            VideoListRight->item(row, column)->setText(QString());
    }

    const int first = Status->CurrentPage * ListPageSize;
    for (int row = 0; row < ListTableRows; ++row) {
        const int index = first + row;
        if (index >= VideoFiles->GetVideoCount())
            break;
        FillRow(VideoListLeft, row, VideoFiles, index);
    }
    for (int row = 0; row < ListTableRows; ++row) {
        const int index = first + ListTableRows + row;
        if (index >= VideoFiles->GetVideoCount())
            break;
        FillRow(VideoListRight, row, VideoFiles, index);
    }

    VideoListLeft->setCurrentCell(-1, -1);
    VideoListRight->setCurrentCell(-1, -1);

    // The highlight follows the playing recording's place within a page.
    const int position = VlcWrapper->GetIndex() % ListPageSize;
    if (position < ListTableRows)
        VideoListLeft->setCurrentCell(position, 0);
    else
        VideoListRight->setCurrentCell(position - ListTableRows, 0);
}

void Tracora::ListTableNextPage()
{
    if (Status->CurrentPage < PageCount() - 1)
        ++Status->CurrentPage;
    VideoListRight->setCurrentCell(-1, -1);
    VideoListLeft->setCurrentCell(-1, -1);
    ListTableUpdate();
}

void Tracora::ListTablePreviousPage()
{
    if (Status->CurrentPage > 0)
        --Status->CurrentPage;
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
    LoadMapToPlay(Status->CurrentPage * ListPageSize + row);
}

void Tracora::ListTablePlayVideoRight(int row, int)
{
    LoadMapToPlay(Status->CurrentPage * ListPageSize + ListTableRows + row);
}
