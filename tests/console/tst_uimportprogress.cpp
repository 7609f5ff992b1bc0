// The import's words: numbers grouped as people read them, and the one
// closing line that counts and names what was skipped.
#include <QtTest>

#include "console/uimportprogress.h"

class TestUImportProgress : public QObject
{
    Q_OBJECT
private slots:
    void runningTextGroupsNumbers_data()
    {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("the card") << 740ll << 2000ll << "Importing 740 of 2,000";
        QTest::newRow("small") << 0ll << 3ll << "Importing 0 of 3";
        QTest::newRow("large") << 1234567ll << 2000000ll << "Importing 1,234,567 of 2,000,000";
    }
    void runningTextGroupsNumbers()
    {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(QString, text);
        QCOMPARE(UImportProgress::RunningText(done, total), text);
    }

    // The user's locale does not change the grouping.
    void numbersIgnoreTheLocale()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = UImportProgress::RunningText(1500, 2000);
        QLocale::setDefault(before);
        QCOMPARE(text, QStringLiteral("Importing 1,500 of 2,000"));
    }

    void closingLine_data()
    {
        QTest::addColumn<qint64>("added");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("duplicates");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("text");
        QTest::newRow("all in") << 2000ll << 2000ll << 0ll << 0 << false << "Imported 2,000 of 2,000";
        QTest::newRow("with duplicates") << 3ll << 3ll << 2ll << 0 << false
                                         << "Imported 3 of 3; 2 already in the list";
        QTest::newRow("one skipped")
            << 1ll << 2ll << 0ll << 1 << false << "Imported 1 of 2; skipped 1: CLIP0001.MOV (vanished)";
        QTest::newRow("three named")
            << 5ll << 7ll << 0ll << 3 << false
            << "Imported 5 of 7; skipped 3: CLIP0001.MOV (vanished), loop (link loop), locked (cannot be read)";
        QTest::newRow("more than three")
            << 5ll << 9ll << 0ll << 5 << false
            << "Imported 5 of 9; skipped 5: CLIP0001.MOV (vanished), loop (link loop), locked (cannot be read)"
               " and 2 more";
        QTest::newRow("cancelled") << 740ll << 2000ll << 0ll << 0 << true << "Import cancelled: 740 of 2,000 added";
    }
    void closingLine()
    {
        QFETCH(qint64, added);
        QFETCH(qint64, total);
        QFETCH(qint64, duplicates);
        QFETCH(int, skipped);
        QFETCH(bool, cancelled);
        QFETCH(QString, text);
        const QList<USkipped> all = {
            {"/card/CLIP0001.MOV", USkipReason::Vanished},
            {"/card/loop", USkipReason::LinkLoop},
            {"/card/locked/", USkipReason::Unreadable},
            {"/card/notes.txt", USkipReason::NotAVideo},
            {"/card/x", USkipReason::Unreadable},
        };
        QCOMPARE(UImportProgress::ClosingText(added, total, duplicates, all.mid(0, skipped), cancelled), text);
    }
};

QTEST_APPLESS_MAIN(TestUImportProgress)
#include "tst_uimportprogress.moc"
