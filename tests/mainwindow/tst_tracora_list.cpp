#include <QtTest>
#include <QFileDialog>
#include <QLineEdit>

#include "mapfixture.h"
#include "tracoraprobe.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

// Names shown in the four cells of a table row.
QStringList Row(QTableWidget *table, int row)
{
    QStringList cells;
    for (int c = 0; c < 4; ++c)
        cells << table->item(row, c)->text();
    return cells;
}

QString Name(int number)
{
    return QStringLiteral("CLIP%1.MOV").arg(number, 4, 10, QLatin1Char('0'));
}

// A window with `count` recordings CLIP0000.MOV ... (fake videos without logs).
struct ListSession
{
    Workspace Space;
    Tracora Window;
    TracoraProbe Probe{Window};

    explicit ListSession(int count)
    {
        QStringList videos;
        for (int i = 0; i < count; ++i)
            videos << Space.AddRecording(i, QString(), nullptr);
        Probe.files()->AddVideoAndGpsfiles(videos);
        Probe.listTableUpdate();
    }
};

} // namespace

class TestTracoraList : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void emptyCatalogueHasNoPages()
    {
        ListSession s(0);
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(Row(s.Probe.left(), r), QStringList({"", "", "", ""}));
            QCOMPARE(Row(s.Probe.right(), r), QStringList({"", "", "", ""}));
        }
        s.Probe.nextPage();
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        s.Probe.previousPage();
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        QCOMPARE(s.Probe.left()->currentRow(), -1);
        QCOMPARE(s.Probe.right()->currentRow(), -1);
    }

    void pagesHoldTenRecordings_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lastPage");
        QTest::newRow("ten") << 10 << 0;
        QTest::newRow("eleven") << 11 << 1;
        QTest::newRow("thirteen") << 13 << 1;
        QTest::newRow("twenty") << 20 << 1;
    }
    void pagesHoldTenRecordings()
    {
        QFETCH(int, count);
        QFETCH(int, lastPage);
        ListSession s(count);
        QCOMPARE(Row(s.Probe.left(), 0).first(), Name(0));
        QCOMPARE(Row(s.Probe.left(), 0).last(), QStringLiteral("Not Exist"));
        QVERIFY(!Row(s.Probe.left(), 0).at(1).isEmpty());
        QCOMPARE(Row(s.Probe.right(), 4).first(), Name(9));

        for (int i = 0; i < 3; ++i)
            s.Probe.nextPage();
        QCOMPARE(s.Probe.status()->CurrentPage, lastPage);
        for (int r = 0; r < 10; ++r) {
            const int index = lastPage * 10 + r;
            QTableWidget *table = r < 5 ? s.Probe.left() : s.Probe.right();
            const QString expected = index < count ? Name(index) : QString();
            QCOMPARE(Row(table, r % 5).first(), expected);
            if (index >= count)
                QCOMPARE(Row(table, r % 5), QStringList({"", "", "", ""}));
        }
        s.Probe.previousPage();
        QCOMPARE(s.Probe.status()->CurrentPage, qMax(0, lastPage - 1));
    }

    void highlightFollowsThePlayListIndexWithinAPage_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("leftRow");
        QTest::addColumn<int>("rightRow");
        QTest::newRow("none chosen") << -1 << -1 << -1;
        QTest::newRow("index 3") << 3 << 3 << -1;
        QTest::newRow("index 13 seen from page 0") << 13 << 3 << -1;
        QTest::newRow("index 17 seen from page 0") << 17 << -1 << 2;
    }
    void highlightFollowsThePlayListIndexWithinAPage()
    {
        QFETCH(int, index);
        QFETCH(int, leftRow);
        QFETCH(int, rightRow);
        ListSession s(20);
        s.Probe.wrapper()->SetIndex(index);
        s.Probe.listTableUpdate();
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        QCOMPARE(s.Probe.left()->currentRow(), leftRow);
        QCOMPARE(s.Probe.right()->currentRow(), rightRow);
    }

    void doubleClickChoosesTheRowOfThePage()
    {
        ListSession s(30);
        s.Probe.nextPage();
        s.Probe.nextPage();
        QCOMPARE(s.Probe.status()->CurrentPage, 2);
        s.Probe.playRight(4);
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 29);
        QCOMPARE(s.Probe.status()->PlayStatus, 2);
        s.Probe.playLeft(1);
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 21);
        // The page and the tables stay as they are.
        QCOMPARE(s.Probe.status()->CurrentPage, 2);
    }

    void doubleClickOnABlankRowDoesNothing()
    {
        ListSession s(3);
        s.Probe.playLeft(4);
        s.Probe.playRight(0);
        QCOMPARE(s.Probe.wrapper()->GetIndex(), -1);
        QCOMPARE(s.Probe.status()->PlayStatus, 0);
    }

    void deleteTakesTheCurrentRow_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("leftRow");
        QTest::addColumn<int>("rightRow");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("pageAfter");
        QTest::newRow("right row 2 on page 1") << 20 << 1 << -1 << 2 << 17 << 1;
        QTest::newRow("right wins over left") << 20 << 0 << 1 << 3 << 8 << 0;
        QTest::newRow("left row 0") << 5 << 0 << 0 << -1 << 0 << 0;
        QTest::newRow("only one on the last page") << 11 << 1 << 0 << -1 << 10 << 0;
        QTest::newRow("nothing selected") << 4 << 0 << -1 << -1 << -1 << 0;
        QTest::newRow("blank row beyond the list") << 4 << 0 << 4 << -1 << -1 << 0;
    }
    void deleteTakesTheCurrentRow()
    {
        QFETCH(int, count);
        QFETCH(int, page);
        QFETCH(int, leftRow);
        QFETCH(int, rightRow);
        QFETCH(int, removed);
        QFETCH(int, pageAfter);
        ListSession s(count);
        for (int i = 0; i < page; ++i)
            s.Probe.nextPage();
        s.Probe.left()->setCurrentCell(leftRow, leftRow < 0 ? -1 : 0);
        s.Probe.right()->setCurrentCell(rightRow, rightRow < 0 ? -1 : 0);
        s.Probe.deleteFile();

        QStringList expected;
        for (int i = 0; i < count; ++i) {
            if (i != removed)
                expected << Name(i);
        }
        QStringList names;
        for (int i = 0; i < s.Probe.files()->GetVideoCount(); ++i)
            names << s.Probe.files()->GetVideoName(i);
        QCOMPARE(names, expected);
        QCOMPARE(s.Probe.status()->CurrentPage, pageAfter);
        QCOMPARE(Row(s.Probe.left(), 0).first(), expected.value(pageAfter * 10));
    }

    void deleteOfTheLastRecordingLeavesBlankTables()
    {
        ListSession s(1);
        s.Probe.left()->setCurrentCell(0, 0);
        s.Probe.deleteFile();
        QCOMPARE(s.Probe.files()->GetVideoCount(), 0);
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        QCOMPARE(Row(s.Probe.left(), 0), QStringList({"", "", "", ""}));
    }

    void deleteRightAfterARefillTakesTheHighlightedRow()
    {
        ListSession s(8);
        s.Probe.wrapper()->SetIndex(6);
        s.Probe.listTableUpdate();
        s.Probe.deleteFile();
        QCOMPARE(s.Probe.files()->GetVideoCount(), 7);
        QCOMPARE(s.Probe.files()->GetVideoName(6), Name(7));
        // The play list moved its index to the row before.
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 5);
        QCOMPARE(s.Probe.right()->currentRow(), 0);
    }

    void deletingThePlayingRecordingKeepsItPlaying()
    {
        Workspace space;
        Tracora w;
        TracoraProbe probe(w);
        w.show();
        QStringList videos;
        for (int i = 0; i < 3; ++i)
            videos << space.AddRecording(i, Clip, nullptr);
        probe.files()->AddVideoAndGpsfiles(videos);
        probe.listTableUpdate();
        probe.loadMapToPlay(2);
        QVERIFY(QTest::qWaitFor([&] { return probe.wrapper()->GetState() == UVlcWrapper::StatePlaying; }, 20000));

        probe.right()->setCurrentCell(-1, -1);
        probe.left()->setCurrentCell(2, 0);
        probe.deleteFile();
        QCOMPARE(probe.files()->GetVideoCount(), 2);
        QCOMPARE(probe.wrapper()->GetIndex(), 1);
        QCOMPARE(probe.left()->currentRow(), 1);
        QCOMPARE(probe.wrapper()->GetState(), 3);
    }

    void nextAndPreviousStepThroughPages()
    {
        ListSession s(12);
        // Nothing chosen: previous does nothing, next starts the first.
        s.Probe.playPrevious();
        QCOMPARE(s.Probe.wrapper()->GetIndex(), -1);
        s.Probe.playNext();
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 0);
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        QCOMPARE(s.Probe.left()->currentRow(), 0);

        s.Probe.playPrevious(); // on the first: nothing
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 0);

        s.Probe.loadMapToPlay(9);
        s.Probe.playNext();
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 10);
        QCOMPARE(s.Probe.status()->CurrentPage, 1);
        QCOMPARE(Row(s.Probe.left(), 0).first(), Name(10));
        QCOMPARE(s.Probe.left()->currentRow(), 0);

        s.Probe.playNext();
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 11);
        s.Probe.playNext(); // on the last: nothing, no wrap
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 11);

        s.Probe.loadMapToPlay(10);
        s.Probe.playPrevious();
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 9);
        QCOMPARE(s.Probe.status()->CurrentPage, 0);
        QCOMPARE(s.Probe.right()->currentRow(), 4);
    }

    void importGoesThroughTheFileDialog()
    {
        Workspace space;
        Tracora w;
        TracoraProbe probe(w);
        w.show();
        QStringList videos;
        for (int i = 1; i <= 3; ++i)
            videos << space.AddRecording(i, Clip, nullptr);

        QString caption;
        QStringList filters;
        // The dialog runs its own event loop: answer it from a timer once it is up.
        auto answer = [&](bool accept) {
            auto *poll = new QTimer(&w);
            auto *tries = new int(0);
            connect(poll, &QTimer::timeout, &w, [&, poll, tries, accept] {
                QFileDialog *dialog = nullptr;
                for (QWidget *top : QApplication::topLevelWidgets()) {
                    if (auto *d = qobject_cast<QFileDialog *>(top); d && d->isVisible())
                        dialog = d;
                }
                if (!dialog) {
                    if (++*tries > 200) { // give up after 20 s
                        poll->deleteLater();
                        delete tries;
                    }
                    return;
                }
                poll->stop();
                poll->deleteLater();
                delete tries;
                caption = dialog->windowTitle();
                filters = dialog->nameFilters();
                if (!accept) {
                    dialog->reject();
                    return;
                }
                dialog->setDirectory(QFileInfo(videos.first()).absolutePath());
                QStringList quoted;
                for (const QString &v : videos)
                    quoted << QLatin1Char('"') + QFileInfo(v).fileName() + QLatin1Char('"');
                // Typed into the name field, as a user picking several files would.
                if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(quoted.join(QLatin1Char(' ')));
                QMetaObject::invokeMethod(dialog, "accept");
                if (dialog->isVisible())
                    dialog->reject(); // never leave the test hanging in the dialog
            });
            poll->start(100);
        };

        answer(false);
        probe.openFiles();
        QCOMPARE(caption, QStringLiteral("Open Files"));
        QCOMPARE(filters, QStringList({"Video Files (*.MOV)"}));
        QCOMPARE(probe.files()->GetVideoCount(), 0);

        answer(true);
        probe.openFiles();
        QCOMPARE(probe.files()->GetVideoCount(), 3);
        QCOMPARE(Row(probe.left(), 2).first(), Name(3));

        // Double-clicking the second row plays that recording in the window.
        const QRect cell = probe.left()->visualRect(probe.left()->model()->index(1, 0));
        QTest::mouseClick(probe.left()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(probe.left()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(probe.wrapper()->GetIndex(), 1);
        QVERIFY(QTest::qWaitFor([&] { return probe.wrapper()->GetState() == UVlcWrapper::StatePlaying; }, 20000));
    }
};

QTEST_MAIN(TestTracoraList)
#include "tst_tracora_list.moc"
