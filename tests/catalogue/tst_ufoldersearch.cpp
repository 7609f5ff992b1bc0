// Finding videos in files and folders, and importing them off the GUI
// thread: name order, video kinds, hidden entries, dangling links, link
// loops, files that vanish between the search and the rating, duplicates by
// canonical path, cancelling, and a card of thousands of clips.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "catalogue/ufolderimport.h"
#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"

Q_DECLARE_METATYPE(USkipReason)

namespace {

const QByteArray ValidLine = "A,140325,101500,2232.1234,N,11356.5678,E,10.0;\n";

class Card
{
public:
    QTemporaryDir Dir;

    QString Path(const QString &relative) const { return Dir.filePath(relative); }

    QString File(const QString &relative, const QByteArray &content = "video")
    {
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    void Link(const QString &target, const QString &relative)
    {
        QDir().mkpath(QFileInfo(Path(relative)).path());
        if (!QFile::link(target, Path(relative)))
            qFatal("cannot link %s", qPrintable(relative));
    }

    // Names relative to the card, for comparing.
    QStringList Relative(const QStringList &paths) const
    {
        QStringList names;
        for (const QString &path : paths)
            names << QDir(Dir.path()).relativeFilePath(path);
        return names;
    }
};

QList<USkipReason> Reasons(const QList<USkipped> &skipped)
{
    QList<USkipReason> reasons;
    for (const USkipped &s : skipped)
        reasons << s.Reason;
    return reasons;
}

// Runs an import to its end, collecting the catalogue's announcements.
struct ImportRun
{
    UVideoAndGpsfiles Catalogue;
    UFolderImport Import{&Catalogue};
    QStringList Announced;
    UImportSummary Summary;
    QList<UImportSummary> Summaries;
    int Batches = 0;
    bool Done = false;

    ImportRun()
    {
        QObject::connect(&Catalogue, &UVideoAndGpsfiles::VideoAdded, [this](const QString &p) { Announced << p; });
        QObject::connect(&Import, &UFolderImport::Progress, [this](qint64, qint64, int, int) { ++Batches; });
        QObject::connect(&Import, &UFolderImport::Finished, [this](const UImportSummary &s) {
            Summary = s;
            Summaries << s;
            Done = true;
        });
    }

    bool Run(const QStringList &paths)
    {
        Done = false;
        Import.Start(paths);
        return QTest::qWaitFor([this] { return Done; }, 60000);
    }
};

} // namespace

class TestUFolderSearch : public QObject
{
    Q_OBJECT
private slots:
    void videoKindsBySuffix_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("video");
        for (const char *name : {"CLIP0001.MOV", "clip.mov", "a.MP4", "a.mp4", "a.TS", "a.ts", "a.AVI", "a.avi",
                                 "a.MKV", "a.Mkv", "x.y.mov"})
            QTest::newRow(name) << QString(name) << true;
        for (const char *name : {"gps0001.log", "a.txt", "MOV", ".mov", "a.mov.txt", "a.", "a.mpg4", "ts"})
            QTest::newRow(name) << QString(name) << false;
    }
    void videoKindsBySuffix()
    {
        QFETCH(QString, name);
        QFETCH(bool, video);
        QCOMPARE(UFolderSearch::IsVideoName(name), video);
    }

    void namesCompareAsPeopleRead_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("2 before 10") << "CLIP2.MOV" << "CLIP10.MOV";
        QTest::newRow("zeros padded") << "CLIP0009.MOV" << "CLIP0010.MOV";
        QTest::newRow("case does not lead") << "a.mov" << "B.mov";
        QTest::newRow("folder numbers") << "99CLIP" << "100CLIP";
        QTest::newRow("case breaks the tie") << "CLIP.MOV" << "clip.mov";
    }
    void namesCompareAsPeopleRead()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QVERIFY(UFolderSearch::NameLess(a, b));
        QVERIFY(!UFolderSearch::NameLess(b, a));
        QVERIFY(!UFolderSearch::NameLess(a, a));
    }

    void foldersAreSearchedInNameOrder()
    {
        Card card;
        card.File("DCIM/100CLIP/CLIP10.MOV");
        card.File("DCIM/100CLIP/CLIP2.MOV");
        card.File("DCIM/100CLIP/CLIP1.mp4");
        card.File("DCIM/100CLIP/notes.txt");
        card.File("DCIM/100CLIP/._CLIP1.MOV");
        card.File("DCIM/.Trashes/CLIP9.MOV");
        card.File("DCIM/99CLIP/A.MKV");
        card.File("DCIM/100CLIP/sub/CLIP3.ts");
        card.File("gps/gps0001.log", ValidLine);
        const UFolderSearchResult found = UFolderSearch::Search({card.Path("DCIM")});
        QCOMPARE(card.Relative(found.Videos),
                 QStringList({"DCIM/99CLIP/A.MKV", "DCIM/100CLIP/CLIP1.mp4", "DCIM/100CLIP/CLIP2.MOV",
                              "DCIM/100CLIP/CLIP10.MOV", "DCIM/100CLIP/sub/CLIP3.ts"}));
        QVERIFY(found.Skipped.isEmpty());
    }

    void pathsKeepTheirOrderAndNamedFilesAreChecked()
    {
        Card card;
        const QString b = card.File("b/CLIP1.MOV");
        const QString a = card.File("a/CLIP1.MOV");
        const QString text = card.File("notes.txt");
        const UFolderSearchResult found
            = UFolderSearch::Search({card.Path("b"), a, text, card.Path("missing.MOV"), card.Path("missing")});
        QCOMPARE(found.Videos, QStringList({b, a}));
        QCOMPARE(Reasons(found.Skipped),
                 QList<USkipReason>({USkipReason::NotAVideo, USkipReason::Unreadable, USkipReason::Unreadable}));
        QCOMPARE(found.Skipped.at(1).Path, card.Path("missing.MOV"));
    }

    void brokenLinksAndLoopsAreSkippedAndCounted_data()
    {
        QTest::addColumn<QString>("make");
        QTest::addColumn<USkipReason>("reason");
        QTest::newRow("dangling link") << "dangling" << USkipReason::Unreadable;
        QTest::newRow("links pointing at each other") << "circle" << USkipReason::LinkLoop;
        QTest::newRow("link to a folder above") << "up" << USkipReason::LinkLoop;
        QTest::newRow("link to the folder itself") << "self" << USkipReason::LinkLoop;
    }
    void brokenLinksAndLoopsAreSkippedAndCounted()
    {
        QFETCH(QString, make);
        QFETCH(USkipReason, reason);
        Card card;
        card.File("DCIM/100CLIP/CLIP1.MOV");
        card.File("DCIM/100CLIP/CLIP2.MOV");
        if (make == "dangling") {
            card.Link(card.Path("nowhere.MOV"), "DCIM/100CLIP/CLIP15.MOV");
        } else if (make == "circle") {
            card.Link(card.Path("DCIM/100CLIP/b.MOV"), "DCIM/100CLIP/a.MOV");
            card.Link(card.Path("DCIM/100CLIP/a.MOV"), "DCIM/100CLIP/b.MOV");
        } else if (make == "up") {
            card.Link(card.Path("DCIM"), "DCIM/100CLIP/back");
        } else {
            card.Link(".", "DCIM/100CLIP/here");
        }
        const UFolderSearchResult found = UFolderSearch::Search({card.Path("DCIM")});
        QCOMPARE(card.Relative(found.Videos), QStringList({"DCIM/100CLIP/CLIP1.MOV", "DCIM/100CLIP/CLIP2.MOV"}));
        QVERIFY(!found.Skipped.isEmpty());
        for (const USkipped &skipped : found.Skipped)
            QCOMPARE(skipped.Reason, reason);
        // The links pointing at each other are two entries, each skipped.
        QCOMPARE(found.Skipped.size(), make == "circle" ? 2 : 1);
    }

    // A folder reached through a link beside it (not above it) is searched once.
    void aFolderLinkedTwiceIsSearchedOnce()
    {
        Card card;
        card.File("a/CLIP1.MOV");
        card.Link(card.Path("a"), "b");
        const UFolderSearchResult found = UFolderSearch::Search({card.Dir.path()});
        QCOMPARE(card.Relative(found.Videos), QStringList({"a/CLIP1.MOV"}));
        QVERIFY(found.Skipped.isEmpty());
    }

    void knownFilesAreDroppedByCanonicalPath()
    {
        Card card;
        const QString one = card.File("DCIM/CLIP1.MOV");
        const QString two = card.File("DCIM/CLIP2.MOV");
        card.Link(card.Path("DCIM"), "alias");
        QSet<QString> known{UFolderSearch::IdentityOf(one)};
        QStringList paths{card.Path("alias/CLIP1.MOV"), two, card.Path("DCIM/../DCIM/CLIP2.MOV"),
                          card.Path("alias/CLIP2.MOV"), card.Path("gone.MOV"), card.Path("./gone.MOV")};
        QCOMPARE(UFolderSearch::DropKnown(paths, known), qsizetype(4));
        QCOMPARE(paths, QStringList({two, card.Path("gone.MOV")}));
        QVERIFY(known.contains(UFolderSearch::IdentityOf(two)));
    }

    void cancelStopsTheSearch()
    {
        Card card;
        card.File("a/CLIP1.MOV");
        const std::atomic<bool> cancel{true};
        QVERIFY(UFolderSearch::Search({card.Path("a")}, &cancel).Videos.isEmpty());
    }

    // --- the import

    void importAppendsInSearchOrderAndRates()
    {
        Card card;
        card.File("TRIP/gps/gps0002.log", ValidLine.repeated(5));
        QStringList expected;
        for (int i : {1, 2, 10})
            expected << card.File(QString("TRIP/DCIM/100CLIP/CLIP%1.MOV").arg(i, 4, 10, QChar('0')));
        ImportRun run;
        QVERIFY(run.Run({card.Path("TRIP")}));
        QCOMPARE(run.Announced, expected);
        QCOMPARE(run.Catalogue.GetVideoCount(), 3);
        QCOMPARE(run.Catalogue.GetVideoName(0), QStringLiteral("CLIP0001.MOV"));
        QCOMPARE(run.Catalogue.GetGpsfileStatus(0), QStringLiteral("Not Exist"));
        QCOMPARE(run.Catalogue.GetGpsfileStatus(1), QStringLiteral("Available"));
        QCOMPARE(run.Catalogue.GetVideoPath(2), expected.at(2));
        QCOMPARE(run.Summary.Added, 3);
        QCOMPARE(run.Summary.Total, 3);
        QVERIFY(!run.Summary.Cancelled);
        QVERIFY(!run.Import.IsRunning());
    }

    void filesInTheListAreNotAddedAgain()
    {
        Card card;
        const QString one = card.File("DCIM/CLIP1.MOV");
        card.File("DCIM/CLIP2.MOV");
        card.Link(card.Path("DCIM"), "alias");
        ImportRun run;
        run.Catalogue.AddVideoAndGpsfiles({one});
        QVERIFY(run.Run({card.Path("alias")}));
        QCOMPARE(run.Catalogue.GetVideoCount(), 2);
        QCOMPARE(run.Summary.Duplicates, 1);
        // The same folder again, and an import queued behind it.
        run.Summaries.clear();
        run.Import.Start({card.Path("DCIM")});
        run.Import.Start({one});
        QVERIFY(QTest::qWaitFor([&] { return run.Summaries.size() == 2; }, 30000));
        QCOMPARE(run.Catalogue.GetVideoCount(), 2);
        QCOMPARE(run.Summaries.at(0).Duplicates, 2);
        QCOMPARE(run.Summaries.at(1).Duplicates, 1);
        QCOMPARE(run.Summaries.at(1).Added, 0);
    }

    // The hook runs between the search and the rating: a file deleted there
    // is gone for the rating, whatever the timing.
    void aFileThatVanishesIsSkippedAndNamed()
    {
        Card card;
        card.File("DCIM/CLIP1.MOV");
        const QString gone = card.File("DCIM/CLIP2.MOV");
        card.File("DCIM/CLIP3.MOV");
        ImportRun run;
        QObject::connect(&run.Import, &UFolderImport::Searched, &run.Import, [gone](const QStringList &videos) {
            QVERIFY(videos.contains(gone));
            QVERIFY(QFile::remove(gone));
        }, Qt::DirectConnection);
        QVERIFY(run.Run({card.Path("DCIM")}));
        QCOMPARE(card.Relative(run.Announced), QStringList({"DCIM/CLIP1.MOV", "DCIM/CLIP3.MOV"}));
        QCOMPARE(run.Summary.Added, 2);
        QCOMPARE(run.Summary.Total, 3);
        QCOMPARE(run.Summary.Skipped.size(), 1);
        QCOMPARE(run.Summary.Skipped.first().Path, gone);
        QCOMPARE(run.Summary.Skipped.first().Reason, USkipReason::Vanished);
    }

    void cancelKeepsWhatArrivedAndDropsTheQueue()
    {
        Card card;
        for (int i = 0; i < 20; ++i)
            card.File(QString("DCIM/CLIP%1.MOV").arg(i));
        ImportRun run;
        QSemaphore searched;
        QSemaphore cancelled;
        QObject::connect(&run.Import, &UFolderImport::Searched, &run.Import, [&](const QStringList &) {
            searched.release();
            cancelled.acquire();
        }, Qt::DirectConnection);
        run.Import.Start({card.Path("DCIM")});
        run.Import.Start({card.Path("DCIM")}); // waits behind the first; dropped by the cancel
        QVERIFY(searched.tryAcquire(1, 30000));
        QVERIFY(run.Import.IsRunning());
        run.Import.Cancel();
        cancelled.release();
        QVERIFY(QTest::qWaitFor([&] { return run.Done; }, 30000));
        QVERIFY(run.Summary.Cancelled);
        QCOMPARE(run.Summary.Added, 0);
        QCOMPARE(run.Summary.Total, 20);
        QCOMPARE(run.Catalogue.GetVideoCount(), 0);
        QTest::qWait(50);
        QVERIFY(!run.Import.IsRunning());
    }

    // A card of a few thousand (empty) clips in a handful of folders: all in,
    // in order, in batches.
    void aCardOfThousandsArrivesInOrderInBatches()
    {
        Card card;
        QStringList expected;
        for (int folder = 100; folder < 104; ++folder) {
            for (int clip = 1; clip <= 750; ++clip) {
                const QString relative = QString("DCIM/%1CLIP/CLIP%2.MOV").arg(folder).arg(clip);
                const QString path = card.Path(relative);
                QDir().mkpath(QFileInfo(path).path());
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                expected << path;
            }
        }
        ImportRun run;
        QVERIFY(run.Run({card.Path("DCIM")}));
        QCOMPARE(run.Summary.Added, 3000);
        QCOMPARE(run.Announced, expected);
        QVERIFY(run.Batches >= 3000 / UFolderImport::BatchEntries);
    }

    // A window closing during an import: the worker stops and nothing is
    // delivered to a catalogue that is gone.
    void destroyingTheImportStopsTheWorker()
    {
        Card card;
        for (int i = 0; i < 50; ++i)
            card.File(QString("DCIM/CLIP%1.MOV").arg(i));
        auto *run = new ImportRun;
        QSemaphore searched;
        QObject::connect(&run->Import, &UFolderImport::Searched, &run->Import, [&](const QStringList &) { searched.release(); }, Qt::DirectConnection);
        run->Import.Start({card.Path("DCIM")});
        QVERIFY(searched.tryAcquire(1, 30000));
        delete run;
        QTest::qWait(20);
    }
};

QTEST_GUILESS_MAIN(TestUFolderSearch)
#include "tst_ufoldersearch.moc"
