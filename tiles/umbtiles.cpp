#include "umbtiles.h"

#include <QAtomicInteger>
#include <QFile>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariant>

#include <cmath>

namespace {

const QByteArray SqliteMagic("SQLite format 3\0", 16);
const QString SqliteDriver = QStringLiteral("QSQLITE");
const QString ReadOnly = QStringLiteral("QSQLITE_OPEN_READONLY");
const QString TileQuery
    = QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?");
// The database header: page size at 16 (big-endian, 1 meaning 65536), the
// database's size in pages at 28, valid when the change counter at 24
// equals the one at 92.
constexpr int SqliteHeaderBytes = 100;

QAtomicInteger<quint64> NextSerial;

quint32 BigEndian32(const QByteArray &Bytes, int At)
{
    return quint32(quint8(Bytes.at(At))) << 24 | quint32(quint8(Bytes.at(At + 1))) << 16
        | quint32(quint8(Bytes.at(At + 2))) << 8 | quint32(quint8(Bytes.at(At + 3)));
}

// A database shorter than its header says was cut short: SQLite itself
// would only notice once a query reaches the missing pages.
bool CutShort(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(SqliteHeaderBytes);
    if (header.size() < SqliteHeaderBytes)
        return true;
    quint32 pageSize = quint32(quint8(header.at(16))) << 8 | quint32(quint8(header.at(17)));
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = BigEndian32(header, 28);
    if (pages == 0 || BigEndian32(header, 24) != BigEndian32(header, 92))
        return false;
    return file.size() < qint64(pageSize) * qint64(pages);
}

bool IsVectorFormat(const QString &Format)
{
    return Format == QLatin1String("pbf") || Format == QLatin1String("mvt");
}

bool IsPictureFormat(const QString &Format)
{
    return Format == QLatin1String("png") || Format == QLatin1String("jpg") || Format == QLatin1String("jpeg")
        || Format == QLatin1String("webp");
}

// "west,south,east,north" in degrees.
UMapBounds ParseBounds(const QString &Text)
{
    const QStringList parts = Text.split(QLatin1Char(','));
    UMapBounds box;
    if (parts.size() != 4)
        return UMapBounds();
    bool ok[4] = {};
    box.West = parts.at(0).trimmed().toDouble(&ok[0]);
    box.South = parts.at(1).trimmed().toDouble(&ok[1]);
    box.East = parts.at(2).trimmed().toDouble(&ok[2]);
    box.North = parts.at(3).trimmed().toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || !box.IsValid())
        return UMapBounds();
    return box;
}

int ParseZoom(const QVariant &Value, int Fallback)
{
    bool ok = false;
    const int zoom = Value.toString().trimmed().toInt(&ok);
    return ok && zoom >= 0 && zoom <= UTileId::MaxZoom ? zoom : Fallback;
}

// SQLite's words for a file that is not (or no longer) a database.
bool SaysDamaged(const QSqlError &Error)
{
    const QString text = Error.databaseText().toLower();
    return text.contains(QLatin1String("malformed")) || text.contains(QLatin1String("not a database"))
        || text.contains(QLatin1String("corrupt")) || text.contains(QLatin1String("disk i/o"));
}

} // namespace

struct UMbTiles::Connection
{
    QString Name;
    std::unique_ptr<QSqlQuery> Query;
};

UMbTiles::UMbTiles(const QString &Path)
    : UOfflineMap(Path)
    , ConnectionPrefix(QStringLiteral("vialumo-mbtiles-%1-").arg(NextSerial.fetchAndAddRelaxed(1)))
{
}

UMbTiles::~UMbTiles()
{
    QMutexLocker locker(&Lock);
    for (Connection *connection : std::as_const(Connections)) {
        connection->Query.reset();
        const QString name = connection->Name;
        delete connection;
        QSqlDatabase::removeDatabase(name);
    }
}

bool UMbTiles::LooksLikeOne(const QByteArray &Head)
{
    return Head.startsWith(SqliteMagic);
}

UMbTiles::Connection *UMbTiles::ThisThreadsConnection()
{
    QThread *thread = QThread::currentThread();
    QMutexLocker locker(&Lock);
    if (Connection *known = Connections.value(thread))
        return known->Query ? known : nullptr;
    auto *connection = new Connection;
    connection->Name = ConnectionPrefix + QString::number(quintptr(thread), 16);
    Connections.insert(thread, connection);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(SqliteDriver, connection->Name);
        database.setDatabaseName(FilePath);
        database.setConnectOptions(ReadOnly);
        if (!database.open())
            return nullptr;
        auto query = std::make_unique<QSqlQuery>(database);
        query->setForwardOnly(true);
        if (!query->prepare(TileQuery))
            return nullptr;
        connection->Query = std::move(query);
    }
    return connection;
}

std::unique_ptr<UMbTiles> UMbTiles::Open(const QString &Path, QString *Error)
{
    std::unique_ptr<UMbTiles> map(new UMbTiles(Path));
    const QString problem = map->Check();
    if (!problem.isEmpty()) {
        if (Error)
            *Error = Problem(Path, problem);
        return nullptr;
    }
    return map;
}

// What is wrong with the file as a map of picture tiles; empty when nothing.
// Reads the metadata on the way.
QString UMbTiles::Check()
{
    if (!QSqlDatabase::isDriverAvailable(SqliteDriver))
        return QStringLiteral("the SQLite driver of Qt SQL is missing (package libqt6sql6-sqlite)");
    if (CutShort(FilePath))
        return QStringLiteral("the file is cut short");
    // A connection of its own, gone once the file is known to be a map: the
    // readers' connections prepare their query, which needs the tiles table.
    const QString checkName = ConnectionPrefix + QStringLiteral("check");
    // Declared first, so that it goes last, after the query and the handle.
    struct Closer
    {
        QString Name;
        ~Closer() { QSqlDatabase::removeDatabase(Name); }
    } closer{checkName};
    QSqlDatabase database = QSqlDatabase::addDatabase(SqliteDriver, checkName);
    database.setDatabaseName(FilePath);
    database.setConnectOptions(ReadOnly);
    if (!database.open())
        return QStringLiteral("damaged: the database cannot be opened");
    QSqlQuery query(database);
    query.setForwardOnly(true);

    QHash<QString, QVariant> metadata;
    if (query.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
        while (query.next())
            metadata.insert(query.value(0).toString().trimmed().toLower(), query.value(1));
    } else if (SaysDamaged(query.lastError())) {
        return QStringLiteral("damaged: ") + query.lastError().databaseText();
    }
    // An MBTiles file without metadata still has its tiles; everything the
    // metadata would say is then taken from them.
    if (!query.exec(QStringLiteral("SELECT tile_data FROM tiles LIMIT 1"))) {
        if (SaysDamaged(query.lastError()))
            return QStringLiteral("damaged: ") + query.lastError().databaseText();
        return QStringLiteral("an SQLite database but no MBTiles map (it has no tiles table)");
    }
    if (!query.next())
        return QStringLiteral("the map holds no tiles");
    const QByteArray first = query.value(0).toByteArray();
    query.finish();

    TileFormat = metadata.value(QStringLiteral("format")).toString().trimmed().toLower();
    if (IsVectorFormat(TileFormat) || (!IsPictureFormat(TileFormat) && UTileFormat::IsGzip(first)))
        return QStringLiteral("holds vector tiles, which the map cannot draw (it needs PNG, JPEG or WebP tiles)");
    if (!IsPictureFormat(TileFormat) && UTileFormat::PictureMime(first).isEmpty())
        return QStringLiteral("holds tiles of a kind the map cannot draw (it needs PNG, JPEG or WebP tiles)");

    Box = ParseBounds(metadata.value(QStringLiteral("bounds")).toString());
    LowestZoom = ParseZoom(metadata.value(QStringLiteral("minzoom")), -1);
    HighestZoom = ParseZoom(metadata.value(QStringLiteral("maxzoom")), -1);
    if (LowestZoom < 0 || HighestZoom < 0) {
        if (!query.exec(QStringLiteral("SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles")) || !query.next())
            return QStringLiteral("damaged: ") + query.lastError().databaseText();
        if (LowestZoom < 0)
            LowestZoom = ParseZoom(query.value(0), 0);
        if (HighestZoom < 0)
            HighestZoom = ParseZoom(query.value(1), UTileId::MaxZoom);
        query.finish();
    }
    if (LowestZoom > HighestZoom)
        std::swap(LowestZoom, HighestZoom);
    return QString();
}

QByteArray UMbTiles::Tile(const UTileId &Tile)
{
    if (!Tile.IsValid())
        return QByteArray();
    Connection *connection = ThisThreadsConnection();
    if (!connection)
        return QByteArray();
    QSqlQuery &query = *connection->Query;
    query.bindValue(0, Tile.Z);
    query.bindValue(1, Tile.X);
    query.bindValue(2, Tile.FlippedY());
    QByteArray data;
    if (query.exec()) {
        if (query.next())
            data = query.value(0).toByteArray();
    } else {
        QMutexLocker locker(&Lock);
        if (!Warned)
            qWarning("Vialumo: %s: tile %s: %s", qPrintable(Name()), qPrintable(Tile.Text()),
                     qPrintable(query.lastError().text()));
        Warned = true;
    }
    query.finish();
    return data;
}
