#include "ulistpaging.h"

int UListPaging::PageCount(int VideoCount)
{
    return VideoCount % PageSize == 0 ? VideoCount / PageSize : VideoCount / PageSize + 1;
}

int UListPaging::IndexAt(int Page, UListTable Table, int Row)
{
    return Page * PageSize + (Table == UListTable::Right ? TableRows : 0) + Row;
}

UListRow UListPaging::HighlightFor(int PlayingIndex)
{
    // Truncating remainder: index -1 gives position -1, a left row that
    // leaves the table without a current row.
    const int position = PlayingIndex % PageSize;
    if (position < TableRows)
        return {UListTable::Left, position};
    return {UListTable::Right, position - TableRows};
}

int UListPaging::IndexToDelete(int Page, int LeftRow, int RightRow)
{
    if (RightRow != -1)
        return IndexAt(Page, UListTable::Right, RightRow);
    if (LeftRow != -1)
        return IndexAt(Page, UListTable::Left, LeftRow);
    return -1;
}

int UListPaging::PageAfterDelete(int Page, int VideoCount)
{
    if (Page > 0 && Page >= PageCount(VideoCount))
        return Page - 1;
    return Page;
}

int UListPaging::NextPage(int Page, int VideoCount)
{
    return Page < PageCount(VideoCount) - 1 ? Page + 1 : Page;
}

int UListPaging::PreviousPage(int Page)
{
    return Page > 0 ? Page - 1 : Page;
}

std::optional<URecordingStep> UListPaging::NextRecording(int PlayingIndex, int VideoCount)
{
    if (PlayingIndex >= VideoCount - 1)
        return std::nullopt;
    const int next = PlayingIndex + 1;
    return URecordingStep{next, next / PageSize};
}

std::optional<URecordingStep> UListPaging::PreviousRecording(int PlayingIndex)
{
    if (PlayingIndex <= 0)
        return std::nullopt;
    const int previous = PlayingIndex - 1;
    return URecordingStep{previous, previous / PageSize};
}
