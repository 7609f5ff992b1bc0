#ifndef UCLIPEXPORT_H
#define UCLIPEXPORT_H

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <atomic>
#include <functional>

#include "catalogue/ucamerafile.h"
#include "catalogue/uvideoandgpsfiles.h"

// One recording of a clip: its cameras' files and its GPS as the catalogue
// found them, and the GPS shift the user gave it.
struct UClipRecording
{
    // The front camera first.
    UCameraFiles Cameras;
    GpsSourceKind GpsKind = GpsSourceKind::None;
    QString GpsPath;
    int GpsShiftSeconds = 0;
};

struct UClipRequest
{
    // The recording the range is measured in, then those that continue its
    // drive (the range may reach into them).
    QList<UClipRecording> Recordings;
    qint64 FromMs = 0;
    // Negative: the end of the first recording.
    qint64 ToMs = -1;
    // Made if missing; an existing folder must be empty.
    QString Folder;
    // The clip goes into a new folder inside Folder, named after the clip
    // ("CLIP0007_00-01-02-00-02-02", then "... (2)" where that is taken).
    bool InNewFolder = false;
    QString Program;
    QString Version;
    // The zone the in-point's local time is given in.
    QTimeZone Zone = QTimeZone::systemTimeZone();
    // A speed as the program shows it, in its unit.
    std::function<QString(double Kmh)> SpeedText;
};

struct UClipOutcome
{
    enum class Failure {
        None,
        Source,    // the first recording cannot be read
        Range,     // an empty range, or one that starts past the end
        Folder,    // the folder is not empty, cannot be made or written, or fills up
        Cancelled,
        Other,
    };

    bool Done = false;
    Failure Why = Failure::None;
    // One line.
    QString Error;
    QString Folder;
    // The files made, by name, in the order they were made.
    QStringList Files;
    // The stretch taken, from the start of the first recording.
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    // What was left out without failing (a camera's file that cannot be read).
    QStringList Notes;
};

// Hands over a stretch of recordings: into one folder, a clip per camera
// copied without re-encoding, the front clip with a text track of its GPS,
// the GPS as GPX, a picture of the route, a printable summary and a manifest
// of every file with its SHA-256. The folder is made under another name
// beside its place and renamed into place once whole: a failed or cancelled
// export leaves nothing behind.
class UClipExport
{
public:
    static constexpr const char *SummaryName = "summary.html";
    static constexpr const char *RoutePictureName = "route.png";

    // Progress in percent (0 to 100), called on the exporting thread.
    using Progress = std::function<void(int Percent)>;

    // Runs on the calling thread; Cancel (when given) is read as it goes.
    static UClipOutcome Run(const UClipRequest &Request, const Progress &OnProgress = {},
                            const std::atomic<bool> *Cancel = nullptr);

    // "CLIP0007_00-01-02-00-02-02": the front camera's file name without
    // its suffix, and the stretch in whole seconds.
    static QString BaseName(const QString &FrontPath, qint64 FromMs, qint64 ToMs);
    // A subtitle cue's words: "2026-12-09 14:03:07 UTC · 52.12345 N 4.56789
    // E · 63 km/h" (the time left out where unknown).
    static QString CueText(const QDateTime &Utc, double Latitude, double Longitude, const QString &Speed);
    // ISO 6709, as a video's location: "+52.12345+004.56789/".
    static QString Iso6709(double Latitude, double Longitude);
};

#endif // UCLIPEXPORT_H
