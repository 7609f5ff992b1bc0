#ifndef TILEFUZZ_H
#define TILEFUZZ_H

// What the offline map fuzz targets share: the input as a map file in a
// folder of the run's own, opened and read as the tile service reads it.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "tiles/uofflinemap.h"

namespace tilefuzz {

[[noreturn]] inline void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

inline void OpenAndRead(const QByteArray &Bytes, const QString &Name)
{
    // Qt SQL loads its SQLite driver through the application object.
    static int argc = 1;
    static char name[] = "tilefuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    static QTemporaryDir dir;
    const QString path = dir.filePath(Name);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Bytes) != Bytes.size())
            Finding("cannot write the input");
    }
    QString error;
    std::unique_ptr<UOfflineMap> map = UOfflineMap::Open(path, &error);
    if (!map) {
        if (!error.startsWith(Name + QStringLiteral(": ")) || error.contains(QLatin1Char('\n')))
            Finding("a file that is no map gives no single message naming it");
        return;
    }
    if (map->MinZoom() < 0 || map->MaxZoom() > UTileId::MaxZoom || map->MinZoom() > map->MaxZoom()
        || !map->Bounds().IsValid())
        Finding("a map with impossible zooms or bounds");
    for (int z = 0; z <= 3; ++z)
        for (int x = 0; x < (1 << z); ++x)
            for (int y = 0; y < (1 << z); ++y)
                (void)map->Tile({z, x, y});
    for (const UTileId &tile : {UTileId{12, 2113, 1405}, UTileId{18, 0, 262143}, UTileId{UTileId::MaxZoom, 5, 7}})
        (void)map->Tile(tile);
}

} // namespace tilefuzz

#endif // TILEFUZZ_H
