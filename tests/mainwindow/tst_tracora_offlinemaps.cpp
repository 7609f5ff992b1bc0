// Offline maps in the window: added (as "Add offline map..." and
// --offline-map do), remembered between runs, removed from the map's own
// right-click menu; a bad file or one that has gone gives one note over the
// video and changes nothing else.
#include <QtTest>

#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QWebEngineView>

#include "console/usettingskeys.h"
#include "mainwindow/tracora.h"
#include "mapfixture.h"
#include "tilefiles.h"
#include "widgets/uoverlaylabel.h"

using namespace mapfixture;
using namespace tilefiles;

namespace {

QSettings Settings()
{
    return QSettings(QStringLiteral("Vialumo"), QStringLiteral("Vialumo"));
}

QStringList Remembered()
{
    return Settings().value(USettingsKeys::OfflineMaps()).toStringList();
}

struct Window
{
    Workspace Space;
    Tracora Main;
    UOverlayLabel *Note = Main.findChild<UOverlayLabel *>(QStringLiteral("Note"));
    QWebEngineView *Map = Main.findChild<QWebEngineView *>(QStringLiteral("GoogleMap"));

    Window()
    {
        Main.show();
        (void)QTest::qWaitForWindowExposed(&Main);
    }

    // The map's menu, as a right click over the page opens it.
    QMenu *OpenMapMenu()
    {
        QWidget *input = Map->focusProxy() ? Map->focusProxy() : Map;
        QTest::mousePress(input, Qt::RightButton, {}, QPoint(40, 50));
        QTest::mouseRelease(input, Qt::RightButton, {}, QPoint(40, 50));
        QMenu *menu = nullptr;
        (void)QTest::qWaitFor([&menu] {
            menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            return menu != nullptr;
        }, 5000);
        return menu;
    }
};

} // namespace

class TestTracoraOfflineMaps : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        Tracora::PrepareApplication();
        // Settings and the tile cache go to the test's own folders.
        static QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
        qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    }

private:
    QTemporaryDir Files;

    QString GoodMap(const QString &Name)
    {
        const QString path = Files.filePath(Name);
        const UTileId tile{2, 1, 1};
        if (Name.endsWith(".pmtiles"))
            WriteFile(path, PmTilesBytes({{tile, FakePng(tile)}}));
        else
            WriteMbTiles(path, {{tile, FakePng(tile)}}, PngMetadata());
        return path;
    }

private slots:
    void init()
    {
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).removeRecursively();
    }

    void addedMapsAreRememberedAndRemovedFromTheMapMenu()
    {
        const QString mb = GoodMap("city.mbtiles");
        const QString pm = GoodMap("region.pmtiles");
        {
            Window w;
            w.Main.AddOfflineMaps({mb});
            QCOMPARE(w.Note->FullText(), QStringLiteral("Offline map added: city.mbtiles"));
            w.Main.AddOfflineMaps({pm, mb});
            QCOMPARE(w.Note->FullText(),
                     QStringLiteral("Offline map added: region.pmtiles\nOffline map already added: city.mbtiles"));
            QCOMPARE(Remembered(), QStringList({mb, pm}));
        }
        // The next run opens them again, without a word.
        Window w;
        QVERIFY(w.Note->isHidden());
        QCOMPARE(Remembered(), QStringList({mb, pm}));

        // The program's menu, not the web engine's.
        QMenu *menu = w.OpenMapMenu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("MapMenu"));
        QAction *add = menu->findChild<QAction *>("MapMenuAddOfflineMap");
        QVERIFY(add && add->isEnabled());
        QCOMPARE(add->text(), QStringLiteral("Add offline map..."));
        auto *remove = menu->findChild<QMenu *>("MapMenuRemoveOfflineMap");
        QVERIFY(remove && remove->isEnabled());
        QCOMPARE(remove->actions().size(), 2);
        QCOMPARE(remove->actions().at(0)->text(), QStringLiteral("city.mbtiles"));
        remove->actions().at(0)->trigger();
        menu->close();
        QCOMPARE(w.Note->FullText(), QStringLiteral("Offline map removed: city.mbtiles"));
        QCOMPARE(Remembered(), QStringList({pm}));

        menu = w.OpenMapMenu();
        QVERIFY(menu);
        remove = menu->findChild<QMenu *>("MapMenuRemoveOfflineMap");
        remove->actions().at(0)->trigger();
        menu->close();
        QCOMPARE(Remembered(), QStringList());
        menu = w.OpenMapMenu();
        QVERIFY(menu);
        QVERIFY(!menu->findChild<QMenu *>("MapMenuRemoveOfflineMap")->isEnabled());
        menu->close();
    }

    void badFilesGiveOneNote_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("note");
        const QByteArray pm = PmTilesBytes({{UTileId{1, 0, 0}, FakePng({1, 0, 0})}});
        PmOptions vector;
        vector.TileType = UPmTiles::Mvt;
        QTest::newRow("empty") << "empty.mbtiles" << QByteArray() << "empty.mbtiles: the file is empty";
        QTest::newRow("cut short") << "cut.pmtiles" << pm.left(pm.size() - 3) << "cut.pmtiles: the file is cut short";
        QTest::newRow("not a map") << "notes.mbtiles" << QByteArray("shopping list") << "notes.mbtiles: not an offline map (MBTiles or PMTiles)";
        QTest::newRow("vector tiles") << "streets.pmtiles" << PmTilesBytes({{UTileId{1, 0, 0}, "x"}}, vector)
                                      << "streets.pmtiles: holds vector tiles, which the map cannot draw (it needs PNG, JPEG or WebP tiles)";
    }
    void badFilesGiveOneNote()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, note);
        const QString path = Files.filePath(name);
        QVERIFY(WriteFile(path, bytes));
        Window w;
        w.Main.AddOfflineMaps({path});
        QCOMPARE(w.Note->FullText(), note);
        QVERIFY(w.Note->isVisible());
        QCOMPARE(Remembered(), QStringList());
    }

    void aMapThatWentIsForgotten()
    {
        const QString kept = GoodMap("kept.mbtiles");
        const QString gone = GoodMap("gone.mbtiles");
        {
            Window w;
            w.Main.AddOfflineMaps({gone, kept});
        }
        QVERIFY(QFile::remove(gone));
        Window w;
        QCOMPARE(w.Note->FullText(), QStringLiteral("Offline map not found, forgotten: gone.mbtiles"));
        QCOMPARE(Remembered(), QStringList({kept}));
    }

    void aMapThatBrokeStaysRemembered()
    {
        const QString broken = GoodMap("broken.pmtiles");
        {
            Window w;
            w.Main.AddOfflineMaps({broken});
        }
        QVERIFY(WriteFile(broken, "overwritten"));
        Window w;
        QCOMPARE(w.Note->FullText(), QStringLiteral("broken.pmtiles: not an offline map (MBTiles or PMTiles)"));
        // It may be a copy still under way: kept for the next run.
        QCOMPARE(Remembered(), QStringList({broken}));
    }
};

QTEST_MAIN(TestTracoraOfflineMaps)
#include "tst_tracora_offlinemaps.moc"
