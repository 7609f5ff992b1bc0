#ifndef UCLIPMANIFEST_H
#define UCLIPMANIFEST_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

// A file a clip was taken from, and the stretch of it taken.
struct UClipSourceEntry
{
    QString Path;
    // The camera's role ("front", "rear", ...).
    QString Camera;
    qint64 Size = 0;
    QString Sha256;
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    int GpsShiftSeconds = 0;
};

// A file of the clip's folder.
struct UClipFileEntry
{
    QString Name;
    qint64 Size = 0;
    QString Sha256;
};

struct UClipManifestData
{
    QString Program;
    QString Version;
    // The in-point's time of day; invalid when neither the GPS nor the
    // video tells it.
    QDateTime InUtc;
    QTimeZone Zone;
    // The stretch from the start of the first recording.
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    int GpsShiftSeconds = 0;
    QList<UClipSourceEntry> Sources;
    QList<UClipFileEntry> Files;
};

// manifest.json: what a clip's folder holds and where it came from, written
// as the last file of the folder, and read back by `vialumo --verify`.
class UClipManifest
{
public:
    static constexpr const char *FileName = "manifest.json";
    // More files than a folder of cameras and their GPS can hold is no manifest of ours.
    static constexpr int MaxFiles = 10000;

    static QByteArray Write(const UClipManifestData &Data);

    struct Listing
    {
        bool Readable = false;
        // Why the bytes are no manifest, in a few words.
        QString Error;
        QList<UClipFileEntry> Files;
    };
    // The files a manifest names. Only plain file names of the folder itself
    // count: a name that would reach out of it (a path, "..") makes the whole
    // manifest unreadable, as do a missing size or hash and a name given twice.
    static Listing Read(const QByteArray &Bytes);

    // hh:mm:ss.zzz from a recording's start.
    static QString TimeText(qint64 Ms);
};

#endif // UCLIPMANIFEST_H
