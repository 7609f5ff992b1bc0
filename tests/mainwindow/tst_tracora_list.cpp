// The list tables in the real window: the buttons, the tables' clicks and the
// catalogue wired together. The paging arithmetic itself is tested without a
// window (tst_ulistpaging).
#include <QtTest>
#include <QFileDialog>
#include <QLineEdit>

#include "mapfixture.h"
#include "windowparts.h"

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

// The file names a page shows, left table then right, blank rows as "".
QStringList Names(const WindowParts &parts)
{
    QStringList names;
    for (QTableWidget *table : {parts.Left, parts.Right}) {
        for (int r = 0; r < 5; ++r)
            names << table->item(r, 0)->text();
    }
    return names;
}

QString Name(int number)
{
    return QStringLiteral("CLIP%1.MOV").arg(number, 4, 10, QLatin1Char('0'));
}

// The names of recordings first to first + count - 1, padded with blanks to a page.
QStringList PageOf(int first, int count)
{
    QStringList names;
    for (int i = 0; i < 10; ++i)
        names << (i < count ? Name(first + i) : QString());
    return names;
}

// A window with `count` recordings CLIP0000.MOV ... (fake videos without logs).
struct ListSession
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};

    explicit ListSession(int count)
    {
        QStringList videos;
        for (int i = 0; i < count; ++i)
            videos << Space.AddRecording(i, QString(), nullptr);
        Parts.AddRecordings(videos);
    }
};

} // namespace

class TestTracoraList : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void pageButtonsTurnAndRefill()
    {
        ListSession s(0);
        QVERIFY(s.Parts.Complete());
        // Nothing to page through: the tables stay blank.
        s.Parts.NextPage->click();
        s.Parts.PreviousPage->click();
        QCOMPARE(Names(s.Parts), PageOf(0, 0));
        QCOMPARE(s.Parts.Left->currentRow(), -1);
        QCOMPARE(s.Parts.Right->currentRow(), -1);

        QStringList videos;
        for (int i = 0; i < 13; ++i)
            videos << s.Space.AddRecording(i, QString(), nullptr);
        s.Parts.AddRecordings(videos);
        QCOMPARE(Names(s.Parts), PageOf(0, 10));
        QCOMPARE(Row(s.Parts.Left, 0).last(), QStringLiteral("Not Exist"));
        QVERIFY(!Row(s.Parts.Left, 0).at(1).isEmpty());
        QVERIFY(!Row(s.Parts.Left, 0).at(2).isEmpty());

        s.Parts.NextPage->click();
        QCOMPARE(Names(s.Parts), PageOf(10, 3));
        QCOMPARE(Row(s.Parts.Left, 3), QStringList({"", "", "", ""}));
        QCOMPARE(Row(s.Parts.Right, 0), QStringList({"", "", "", ""}));
        s.Parts.NextPage->click(); // the last page
        QCOMPARE(Names(s.Parts), PageOf(10, 3));
        s.Parts.PreviousPage->click();
        QCOMPARE(Names(s.Parts), PageOf(0, 10));
    }

    void highlightFollowsThePlayListIndexWithinAPage_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("leftRow");
        QTest::addColumn<int>("rightRow");
        QTest::newRow("index 13 seen from page 0") << 13 << 3 << -1;
        QTest::newRow("index 17 seen from page 0") << 17 << -1 << 2;
    }
    void highlightFollowsThePlayListIndexWithinAPage()
    {
        QFETCH(int, index);
        QFETCH(int, leftRow);
        QFETCH(int, rightRow);
        ListSession s(20);
        QCOMPARE(s.Parts.Left->currentRow(), -1); // none chosen yet
        QCOMPARE(s.Parts.Right->currentRow(), -1);
        s.Parts.Wrapper->SetIndex(index);
        s.Parts.PreviousPage->click();
        QCOMPARE(Names(s.Parts), PageOf(0, 10));
        QCOMPARE(s.Parts.Left->currentRow(), leftRow);
        QCOMPARE(s.Parts.Right->currentRow(), rightRow);
    }

    void doubleClickChoosesTheRowOfThePage()
    {
        ListSession s(30);
        s.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.Window));
        s.Parts.NextPage->click();
        s.Parts.NextPage->click();
        QCOMPARE(Names(s.Parts), PageOf(20, 10));
        WindowParts::DoubleClickRow(s.Parts.Right, 4);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 29);
        // A recording without a log asks for its information page.
        QCOMPARE(s.Parts.Map->url().fileName(), QStringLiteral("no_gps_file.html"));
        WindowParts::DoubleClickRow(s.Parts.Left, 1);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 21);
        // The page and the tables stay as they are.
        QCOMPARE(Names(s.Parts), PageOf(20, 10));
    }

    void doubleClickOnABlankRowDoesNothing()
    {
        ListSession s(3);
        s.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.Window));
        WindowParts::DoubleClickRow(s.Parts.Left, 4);
        WindowParts::DoubleClickRow(s.Parts.Right, 0);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), -1);
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        // No map page was asked for.
        QCOMPARE(s.Parts.Map->url().fileName(), QStringLiteral("startupp.html"));
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
        QTest::newRow("only one on the last page") << 11 << 1 << 0 << -1 << 10 << 0;
        QTest::newRow("the last recording of all") << 1 << 0 << 0 << -1 << 0 << 0;
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
        s.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.Window));
        for (int i = 0; i < page; ++i)
            s.Parts.NextPage->click();
        // A click in one table clears the other's current row: both only from code.
        if (leftRow >= 0 && rightRow >= 0) {
            s.Parts.Left->setCurrentCell(leftRow, 0);
            s.Parts.Right->setCurrentCell(rightRow, 0);
        } else if (leftRow >= 0) {
            WindowParts::ClickRow(s.Parts.Left, leftRow);
        } else if (rightRow >= 0) {
            WindowParts::ClickRow(s.Parts.Right, rightRow);
        }
        s.Parts.Delete->click();

        QStringList expected;
        for (int i = 0; i < count; ++i) {
            if (i != removed)
                expected << Name(i);
        }
        QStringList names;
        for (int i = 0; i < s.Parts.Files->GetVideoCount(); ++i)
            names << s.Parts.Files->GetVideoName(i);
        QCOMPARE(names, expected);
        const QStringList shown = expected.mid(pageAfter * 10, 10);
        QCOMPARE(Names(s.Parts), shown + QStringList(10 - shown.size(), QString()));
    }

    void deleteRightAfterARefillTakesTheHighlightedRow()
    {
        ListSession s(8);
        s.Parts.Wrapper->SetIndex(6);
        s.Parts.PreviousPage->click();
        QCOMPARE(s.Parts.Right->currentRow(), 1);
        s.Parts.Delete->click();
        QCOMPARE(s.Parts.Files->GetVideoCount(), 7);
        QCOMPARE(s.Parts.Files->GetVideoName(6), Name(7));
        // The play list moved its index to the row before.
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 5);
        QCOMPARE(s.Parts.Right->currentRow(), 0);
    }

    void nextAndPreviousStepThroughPages()
    {
        ListSession s(12);
        s.Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.Window));
        // Nothing chosen: previous does nothing, next starts the first.
        s.Parts.Previous->click();
        QCOMPARE(s.Parts.Wrapper->GetIndex(), -1);
        s.Parts.Next->click();
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 0);
        QCOMPARE(s.Parts.Left->currentRow(), 0);
        s.Parts.Previous->click(); // on the first: nothing
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 0);

        WindowParts::DoubleClickRow(s.Parts.Right, 4);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 9);
        s.Parts.Next->click();
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 10);
        QCOMPARE(Names(s.Parts), PageOf(10, 2));
        QCOMPARE(s.Parts.Left->currentRow(), 0);
        s.Parts.Next->click();
        s.Parts.Next->click(); // on the last: nothing, no wrap
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 11);

        s.Parts.Previous->click();
        s.Parts.Previous->click();
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 9);
        QCOMPARE(Names(s.Parts), PageOf(0, 10));
        QCOMPARE(s.Parts.Right->currentRow(), 4);
    }

    // The files of one moment from two cameras are one row, one play-list
    // entry: played, ended, deleted as one.
    void twoCameraRecordingIsOneRow()
    {
        Workspace space;
        Tracora w;
        WindowParts parts(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString folder = space.Root.filePath(QStringLiteral("viofo/DCIM/Movie/"));
        QDir().mkpath(folder);
        QStringList files;
        for (const char *name : {"2026_0501_120000_0001F.MOV", "2026_0501_120000_0002R.MOV",
                                 "2026_0501_120100_0003F.MOV", "2026_0501_120100_0004R.MOV"}) {
            files << folder + QLatin1String(name);
            QVERIFY(QFile::copy(Clip, files.last()));
        }
        // The rear files first: the front names the recording all the same.
        parts.AddRecordings({files.at(1), files.at(0), files.at(3), files.at(2)});
        QCOMPARE(parts.Files->GetVideoCount(), 2);
        QCOMPARE(Row(parts.Left, 0), QStringList({"2026_0501_120000_0001F.MOV +R", parts.Files->GetVideoDate(0),
                                                  parts.Files->GetVideoTime(0), "Not Exist"}));
        // Every camera's file, then when it was recorded.
        const QStringList tip = parts.Left->item(0, 0)->toolTip().split(QLatin1Char('\n'));
        QCOMPARE(tip.mid(0, 2), QStringList({"Front: " + files.at(0), "Rear: " + files.at(1)}));
        QVERIFY(tip.size() == 3 && tip.at(2).startsWith(QLatin1String("Recorded ")));
        QCOMPARE(parts.Left->item(1, 0)->text(), QStringLiteral("2026_0501_120100_0003F.MOV +R"));
        QCOMPARE(Row(parts.Left, 2), QStringList({"", "", "", ""}));

        // At its end the next recording plays, not the rear camera's file.
        WindowParts::DoubleClickRow(parts.Left, 0);
        QVERIFY(QTest::qWaitFor([&] { return parts.PlayingIndex(0); }, 20000));
        QVERIFY(QTest::qWaitFor([&] { return parts.PlayingIndex(1); }, 20000));
        QCOMPARE(parts.Left->currentRow(), 1);

        // Removing the first removes both its cameras; the play list follows.
        WindowParts::ClickRow(parts.Left, 0);
        parts.Delete->click();
        QCOMPARE(parts.Files->GetVideoCount(), 1);
        QCOMPARE(parts.Wrapper->GetIndex(), 0);
        QCOMPARE(parts.Left->item(0, 0)->text(), QStringLiteral("2026_0501_120100_0003F.MOV +R"));
        QCOMPARE(parts.Left->item(0, 0)->toolTip().section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("Front: %1\nRear: %2").arg(files.at(2), files.at(3)));
        QCOMPARE(Row(parts.Left, 1), QStringList({"", "", "", ""}));
        QVERIFY(parts.Left->item(1, 0)->toolTip().isEmpty());
        // The same files again: the listed recording stays one, the removed
        // one comes back as one.
        parts.AddRecordings(files);
        QCOMPARE(parts.Files->GetVideoCount(), 2);
        QCOMPARE(parts.Left->item(1, 0)->text(), QStringLiteral("2026_0501_120000_0001F.MOV +R"));
        for (const QString &file : files)
            QVERIFY(QFile::exists(file));
    }

    void importPlayAndDeleteThePlayingRecording()
    {
        Workspace space;
        Tracora w;
        WindowParts parts(w);
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
        QTest::mouseClick(parts.Import, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("Open Files"));
        QCOMPARE(filters, QStringList({"Video Files (*.MOV *.mov *.MP4 *.mp4 *.TS *.ts *.AVI *.avi *.MKV *.mkv)"}));
        QCOMPARE(parts.Files->GetVideoCount(), 0);

        answer(true);
        QTest::mouseClick(parts.Import, Qt::LeftButton);
        QCOMPARE(parts.Files->GetVideoCount(), 3);
        QCOMPARE(Row(parts.Left, 2).first(), Name(3));

        // Double-clicking the third row plays that recording in the window.
        WindowParts::DoubleClickRow(parts.Left, 2);
        QCOMPARE(parts.Wrapper->GetIndex(), 2);
        QVERIFY(QTest::qWaitFor([&] { return parts.PlayingIndex(2); }, 20000));

        // Deleting the playing recording keeps it playing: only the list entry
        // goes, and the play list's index moves to the row before.
        WindowParts::ClickRow(parts.Left, 2);
        parts.Delete->click();
        QCOMPARE(parts.Files->GetVideoCount(), 2);
        QCOMPARE(parts.Wrapper->GetIndex(), 1);
        QCOMPARE(parts.Left->currentRow(), 1);
        QCOMPARE(parts.Wrapper->GetState(), int(UVlcWrapper::StatePlaying));
        QVERIFY(QFile::exists(videos.at(2)));
    }
};

QTEST_MAIN(TestTracoraList)
#include "tst_tracora_list.moc"
