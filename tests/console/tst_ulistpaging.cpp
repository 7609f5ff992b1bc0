#include <QtTest>

#include "console/ulistpaging.h"

Q_DECLARE_METATYPE(UListTable)

namespace {

// The catalogue indexes a page shows, left table then right, "-" for a blank
// row: the window fills a row while its index lies within the catalogue.
QString Shown(int page, int count)
{
    QStringList cells;
    for (UListTable table : {UListTable::Left, UListTable::Right}) {
        for (int row = 0; row < UListPaging::TableRows; ++row) {
            const int index = UListPaging::IndexAt(page, table, row);
            cells << (index < count ? QString::number(index) : QStringLiteral("-"));
        }
    }
    return cells.join(QLatin1Char(' '));
}

QString Describe(const std::optional<URecordingStep> &step)
{
    return step ? QStringLiteral("%1 on page %2").arg(step->Index).arg(step->Page) : QStringLiteral("none");
}

} // namespace

class TestUListPaging : public QObject
{
    Q_OBJECT

private slots:
    void pageCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("pages");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("ten") << 10 << 1;
        QTest::newRow("eleven") << 11 << 2;
        QTest::newRow("thirteen") << 13 << 2;
        QTest::newRow("twenty") << 20 << 2;
        QTest::newRow("twenty-one") << 21 << 3;
    }
    void pageCount()
    {
        QFETCH(int, count);
        QFETCH(int, pages);
        QCOMPARE(UListPaging::PageCount(count), pages);
    }

    // The next-page button pressed until it stops, then previous once.
    void pagesTurnWithinTheCatalogue_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lastPage");
        QTest::addColumn<QString>("lastPageShows");
        QTest::addColumn<int>("pageBefore");
        QTest::newRow("empty") << 0 << 0 << "- - - - - - - - - -" << 0;
        QTest::newRow("ten") << 10 << 0 << "0 1 2 3 4 5 6 7 8 9" << 0;
        QTest::newRow("eleven") << 11 << 1 << "10 - - - - - - - - -" << 0;
        QTest::newRow("thirteen") << 13 << 1 << "10 11 12 - - - - - - -" << 0;
        QTest::newRow("twenty") << 20 << 1 << "10 11 12 13 14 15 16 17 18 19" << 0;
        QTest::newRow("thirty-one") << 31 << 3 << "30 - - - - - - - - -" << 2;
    }
    void pagesTurnWithinTheCatalogue()
    {
        QFETCH(int, count);
        QFETCH(int, lastPage);
        QFETCH(QString, lastPageShows);
        QFETCH(int, pageBefore);
        int page = 0;
        for (int press = 0; press < 5; ++press)
            page = UListPaging::NextPage(page, count);
        QCOMPARE(page, lastPage);
        QCOMPARE(Shown(page, count), lastPageShows);
        QCOMPARE(UListPaging::PreviousPage(page), pageBefore);
        QCOMPARE(UListPaging::PreviousPage(0), 0);
    }

    void rowToIndex_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<UListTable>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("index");
        QTest::newRow("left row 0 on page 0") << 0 << UListTable::Left << 0 << 0;
        QTest::newRow("right row 0 on page 0") << 0 << UListTable::Right << 0 << 5;
        QTest::newRow("left row 1 on page 2") << 2 << UListTable::Left << 1 << 21;
        QTest::newRow("right row 4 on page 2") << 2 << UListTable::Right << 4 << 29;
    }
    void rowToIndex()
    {
        QFETCH(int, page);
        QFETCH(UListTable, table);
        QFETCH(int, row);
        QFETCH(int, index);
        QCOMPARE(UListPaging::IndexAt(page, table, row), index);
    }

    void highlightFollowsThePlayingIndexWithinAPage_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<UListTable>("table");
        QTest::addColumn<int>("row");
        QTest::newRow("none chosen") << -1 << UListTable::Left << -1;
        QTest::newRow("index 0") << 0 << UListTable::Left << 0;
        QTest::newRow("index 4") << 4 << UListTable::Left << 4;
        QTest::newRow("index 5") << 5 << UListTable::Right << 0;
        QTest::newRow("index 9") << 9 << UListTable::Right << 4;
        // The page shown is not compared: paged back to page 0, the same place is marked.
        QTest::newRow("index 13 seen from page 0") << 13 << UListTable::Left << 3;
        QTest::newRow("index 17 seen from page 0") << 17 << UListTable::Right << 2;
    }
    void highlightFollowsThePlayingIndexWithinAPage()
    {
        QFETCH(int, index);
        QFETCH(UListTable, table);
        QFETCH(int, row);
        QCOMPARE(UListPaging::HighlightFor(index), (UListRow{table, row}));
    }

    void deleteTakesTheCurrentRow_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("leftRow");
        QTest::addColumn<int>("rightRow");
        QTest::addColumn<int>("removed");
        QTest::newRow("right row 2 on page 1") << 1 << -1 << 2 << 17;
        QTest::newRow("right wins over left") << 0 << 1 << 3 << 8;
        QTest::newRow("left row 0") << 0 << 0 << -1 << 0;
        QTest::newRow("left row 0 on page 1") << 1 << 0 << -1 << 10;
        QTest::newRow("nothing selected") << 0 << -1 << -1 << -1;
        // A blank row beyond the list: the catalogue ignores an index it does not hold.
        QTest::newRow("blank row beyond the list") << 0 << 4 << -1 << 4;
    }
    void deleteTakesTheCurrentRow()
    {
        QFETCH(int, page);
        QFETCH(int, leftRow);
        QFETCH(int, rightRow);
        QFETCH(int, removed);
        QCOMPARE(UListPaging::IndexToDelete(page, leftRow, rightRow), removed);
    }

    void pageAfterDelete_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("countAfter");
        QTest::addColumn<int>("pageAfter");
        QTest::newRow("only one on the last page went") << 1 << 10 << 0;
        QTest::newRow("last recording of all went") << 0 << 0 << 0;
        QTest::newRow("page still there") << 1 << 19 << 1;
        QTest::newRow("page 2 of 21 went") << 2 << 20 << 1;
        QTest::newRow("first page stays") << 0 << 4 << 0;
    }
    void pageAfterDelete()
    {
        QFETCH(int, page);
        QFETCH(int, countAfter);
        QFETCH(int, pageAfter);
        QCOMPARE(UListPaging::PageAfterDelete(page, countAfter), pageAfter);
    }

    void nextAndPreviousRecording_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("previous");
        QTest::newRow("nothing chosen") << -1 << 12 << "0 on page 0" << "none";
        QTest::newRow("nothing to choose") << -1 << 0 << "none" << "none";
        QTest::newRow("first") << 0 << 12 << "1 on page 0" << "none";
        QTest::newRow("across to page 1") << 9 << 12 << "10 on page 1" << "8 on page 0";
        QTest::newRow("back to page 0") << 10 << 12 << "11 on page 1" << "9 on page 0";
        QTest::newRow("last: no wrap") << 11 << 12 << "none" << "10 on page 1";
        QTest::newRow("only one") << 0 << 1 << "none" << "none";
        QTest::newRow("across to page 2") << 19 << 30 << "20 on page 2" << "18 on page 1";
    }
    void nextAndPreviousRecording()
    {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(QString, next);
        QFETCH(QString, previous);
        QCOMPARE(Describe(UListPaging::NextRecording(index, count)), next);
        QCOMPARE(Describe(UListPaging::PreviousRecording(index)), previous);
    }
};

QTEST_APPLESS_MAIN(TestUListPaging)
#include "tst_ulistpaging.moc"
