#ifndef ULISTPAGING_H
#define ULISTPAGING_H

#include <optional>

// The two list tables side by side.
enum class UListTable { Left, Right };

// A row of one of the two list tables; row -1 is no row.
struct UListRow
{
    UListTable Table = UListTable::Left;
    int Row = -1;

    bool operator==(const UListRow &Other) const { return Table == Other.Table && Row == Other.Row; }
};

// A recording to step to with the previous and next buttons, and the page
// that shows it.
struct URecordingStep
{
    int Index = -1;
    int Page = 0;
};

// The list's paging: ten recordings to a page, the first five in the left
// table and the other five in the right one. A recording's catalogue index
// is also its play-list index, so the same arithmetic serves both.
class UListPaging
{
public:
    static constexpr int PageSize = 10;
    static constexpr int TableRows = 5;

    // An empty catalogue has no page.
    static int PageCount(int VideoCount);

    // The catalogue index that a table row shows on a page.
    static int IndexAt(int Page, UListTable Table, int Row);

    // The row that marks the playing recording: its place within a page,
    // whatever page is shown. No recording chosen (index -1) gives left row -1.
    static UListRow HighlightFor(int PlayingIndex);

    // The entry a delete removes, from the tables' current rows (-1: none);
    // the right table wins when both have one. -1 when neither has.
    static int IndexToDelete(int Page, int LeftRow, int RightRow);

    // The page to show once the catalogue has shrunk to VideoCount: one page
    // back when the shown page has gone.
    static int PageAfterDelete(int Page, int VideoCount);

    // The page buttons: one step within the pages there are.
    static int NextPage(int Page, int VideoCount);
    static int PreviousPage(int Page);

    // The recording buttons: the neighbour of the playing recording, none at
    // the ends (no wrap). With nothing chosen yet, next starts the first.
    static std::optional<URecordingStep> NextRecording(int PlayingIndex, int VideoCount);
    static std::optional<URecordingStep> PreviousRecording(int PlayingIndex);
};

#endif // ULISTPAGING_H
