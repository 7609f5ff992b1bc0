// The layouts of a recording's cameras inside the video surface: which
// layouts suit how many cameras, what V steps through, and the tiles'
// rectangles (inside the surface, apart where they must be, the insets a
// quarter of the width in the corner).
#include <QtTest>

#include "widgets/utilelayout.h"

Q_DECLARE_METATYPE(UTileLayout::Kind)

namespace {

using K = UTileLayout::Kind;

QList<K> Cycle(K From, int Count)
{
    QList<K> seen{From};
    for (K next = UTileLayout::Next(From, Count); next != From && seen.size() <= 8;
         next = UTileLayout::Next(next, Count))
        seen << next;
    return seen;
}

} // namespace

class TestUTileLayout : public QObject
{
    Q_OBJECT
private slots:
    void vStepsThroughWhatSuits_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<K>>("cycle");
        QTest::newRow("two") << 2 << QList<K>{K::PictureInPicture, K::SideBySide};
        QTest::newRow("three") << 3 << QList<K>{K::PictureInPicture, K::SideBySide, K::Grid2x2};
        QTest::newRow("four") << 4 << QList<K>{K::PictureInPicture, K::Grid2x2};
        QTest::newRow("five") << 5 << QList<K>{K::PictureInPicture, K::Grid3x2};
        QTest::newRow("six") << 6 << QList<K>{K::PictureInPicture, K::Grid3x2};
        // One camera has no layout to step through.
        QTest::newRow("one") << 1 << QList<K>{K::PictureInPicture};
    }
    void vStepsThroughWhatSuits()
    {
        QFETCH(int, count);
        QFETCH(QList<K>, cycle);
        QCOMPARE(Cycle(K::PictureInPicture, count), cycle);
    }

    // A layout kept from a recording of other cameras gives way to the next
    // that suits these.
    void aLayoutThatDoesNotSuitGivesWay_data()
    {
        QTest::addColumn<K>("wanted");
        QTest::addColumn<int>("count");
        QTest::addColumn<K>("got");
        QTest::newRow("3x2 for two") << K::Grid3x2 << 2 << K::PictureInPicture;
        QTest::newRow("side by side for four") << K::SideBySide << 4 << K::Grid2x2;
        QTest::newRow("2x2 for six") << K::Grid2x2 << 6 << K::Grid3x2;
        QTest::newRow("2x2 for three") << K::Grid2x2 << 3 << K::Grid2x2;
    }
    void aLayoutThatDoesNotSuitGivesWay()
    {
        QFETCH(K, wanted);
        QFETCH(int, count);
        QFETCH(K, got);
        QCOMPARE(UTileLayout::Fitting(wanted, count), got);
    }

    void tilesLieInsideTheSurface_data()
    {
        QTest::addColumn<K>("layout");
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("surface");
        for (const QSize &surface : {QSize(640, 360), QSize(1280, 1024), QSize(641, 361)}) {
            const QByteArray size = QByteArray::number(surface.width()) + "x" + QByteArray::number(surface.height());
            for (int count = 2; count <= UTileLayout::MaxTiles; ++count) {
                for (K layout : {K::PictureInPicture, K::SideBySide, K::Grid2x2, K::Grid3x2}) {
                    if (!UTileLayout::Fits(layout, count))
                        continue;
                    QTest::addRow("%s %d in %s", qPrintable(UTileLayout::Name(layout)), count, size.constData())
                        << layout << count << surface;
                }
            }
        }
    }
    void tilesLieInsideTheSurface()
    {
        QFETCH(K, layout);
        QFETCH(int, count);
        QFETCH(QSize, surface);
        const QList<QRect> tiles = UTileLayout::Tiles(layout, count, surface);
        QCOMPARE(tiles.size(), count);
        const QRect whole(QPoint(0, 0), surface);
        for (const QRect &tile : tiles) {
            QVERIFY2(whole.contains(tile), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(tile.x()).arg(tile.y()).arg(tile.width()).arg(tile.height())));
            QVERIFY(!tile.isEmpty());
        }
        if (layout == K::PictureInPicture) {
            // The large one fills the surface; the insets keep its shape at a
            // quarter of its size and lie apart from each other.
            QCOMPARE(tiles.first(), whole);
            for (int i = 1; i < count; ++i) {
                QCOMPARE(tiles.at(i).width(), surface.width() / 4);
                QCOMPARE(tiles.at(i).height(), surface.height() / 4);
                for (int j = i + 1; j < count; ++j)
                    QVERIFY(!tiles.at(i).intersects(tiles.at(j)));
            }
            // The first in the bottom right corner.
            QVERIFY(tiles.at(1).right() > surface.width() * 7 / 8);
            QVERIFY(tiles.at(1).bottom() > surface.height() * 7 / 8);
            return;
        }
        // The others share the surface without overlapping and without gaps
        // beyond the cells a grid leaves empty.
        qint64 area = 0;
        for (int i = 0; i < count; ++i) {
            area += qint64(tiles.at(i).width()) * tiles.at(i).height();
            for (int j = i + 1; j < count; ++j)
                QVERIFY(!tiles.at(i).intersects(tiles.at(j)));
        }
        const int cells = layout == K::SideBySide ? count : layout == K::Grid2x2 ? 4 : 6;
        const qint64 wholeArea = qint64(surface.width()) * surface.height();
        QVERIFY(qAbs(area - wholeArea * count / cells) <= qint64(surface.width() + surface.height()) * cells);
    }

    // The first tile is the large one, top left where all are equal.
    void theFirstTileLeads()
    {
        const QList<QRect> grid = UTileLayout::Tiles(K::Grid2x2, 4, QSize(640, 360));
        QCOMPARE(grid.at(0), QRect(0, 0, 320, 180));
        QCOMPARE(grid.at(3), QRect(320, 180, 320, 180));
        const QList<QRect> row = UTileLayout::Tiles(K::SideBySide, 2, QSize(640, 360));
        QCOMPARE(row, QList<QRect>({QRect(0, 0, 320, 360), QRect(320, 0, 320, 360)}));
        const QList<QRect> six = UTileLayout::Tiles(K::Grid3x2, 5, QSize(600, 360));
        QCOMPARE(six.at(4), QRect(200, 180, 200, 180));
    }

    void noTilesWithoutSeveralCameras_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("surface");
        QTest::newRow("none") << 0 << QSize(640, 360);
        QTest::newRow("one") << 1 << QSize(640, 360);
        QTest::newRow("seven") << 7 << QSize(640, 360);
        QTest::newRow("negative") << -2 << QSize(640, 360);
        QTest::newRow("no surface") << 2 << QSize(0, 0);
    }
    void noTilesWithoutSeveralCameras()
    {
        QFETCH(int, count);
        QFETCH(QSize, surface);
        for (K layout : {K::PictureInPicture, K::SideBySide, K::Grid2x2, K::Grid3x2})
            QVERIFY(UTileLayout::Tiles(layout, count, surface).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestUTileLayout)
#include "tst_utilelayout.moc"
