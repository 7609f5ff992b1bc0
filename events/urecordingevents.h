#ifndef URECORDINGEVENTS_H
#define URECORDINGEVENTS_H

#include "catalogue/uvideoandgpsfiles.h"
#include "events/uevent.h"
#include "gpslog/gpsfix.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One second of a recording's route: where the car was and how fast.
struct URoutePoint
{
    qint32 Second = 0;
    double Latitude = 0.0;
    double Longitude = 0.0;
    float SpeedKmh = 0.0f;
};

Q_DECLARE_TYPEINFO(URoutePoint, Q_PRIMITIVE_TYPE);

// A G-sensor reading kept for showing: milliseconds into the video and the
// three axes in g.
struct UAccelPoint
{
    qint32 OffsetMs = 0;
    float Longitudinal = 0.0f;
    float Lateral = 0.0f;
    float Vertical = 0.0f;
};

Q_DECLARE_TYPEINFO(UAccelPoint, Q_PRIMITIVE_TYPE);

// What one recording tells of its moments and of its part of a drive,
// worked out once when it is imported.
struct URecordingEvents
{
    QString VideoPath;
    // Recordings of one camera share this: the card's folder (the folders
    // recorders sort their files into are passed over) and the camera
    // letter of names that carry one.
    QString Camera;
    // The recorder's marks and what the G-sensor (or, without one, the GPS)
    // shows, in time order; speeding is not among them (the limit is the
    // user's: see Speeding()).
    UEventList Events;
    bool HasAccel = false;
    // The sensor's readings at no more than ShownAccelHz, for the trace
    // under the speed profile.
    QList<UAccelPoint> Accel;
    // Seconds with a fix, in order.
    QList<URoutePoint> Route;
    // One value per second of the track, NaN without a fix.
    QList<float> SpeedsKmh;
    // The first and last fix with a position (not Valid when there is none).
    GpsFix FirstFix;
    GpsFix LastFix;
    // When the recording started: its first fix's time less its second,
    // else the video's start (VideoSpan); invalid when neither is known.
    QDateTime Start;
    // The length of the video, else of its track; -1 when unknown.
    qint64 DurationMs = -1;

    // The events with those of speeding over LimitKmh (none at 0), in time
    // order.
    UEventList WithSpeeding(double LimitKmh) const;
    bool HasRoute() const { return FirstFix.Valid; }
};

// Works out a recording's events, route and span from its files.
class URecordingAnalysis
{
public:
    static constexpr int ShownAccelHz = 10;

    // The video at VideoPath with the GPS source the catalogue found for it
    // (GpsPath of kind Source, as UVideoAndGpsfiles rates it). Reads files
    // only, so it may run on any thread; a missing or broken file gives a
    // result without what it would have told.
    static URecordingEvents Analyse(const QString &VideoPath, const QString &GpsPath, GpsSourceKind Source);
    // The same, finding the GPS source as the import does.
    static URecordingEvents Analyse(const QString &VideoPath);
    // Each of VideoPaths, on as many threads as the machine has cores, in
    // the order given.
    static QList<URecordingEvents> AnalyseAll(const QStringList &VideoPaths);

    static QString CameraOf(const QString &VideoPath);
};

#endif // URECORDINGEVENTS_H
