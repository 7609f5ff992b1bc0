#ifndef UEVENT_H
#define UEVENT_H

#include <QList>
#include <QString>
#include <QtGlobal>

// What happened at a moment of a recording.
enum class UEventKind {
    // The recorder kept the recording apart (an event file or folder, a
    // button pressed, a Tesla's saved or sentry clip).
    Recorder,
    // Slowing down at least UEventDetector::BrakingG (or, without a
    // G-sensor, the GPS speed falling fast).
    Braking,
    Acceleration,
    // A jolt up or down (a pothole, a kerb, a hit).
    Bump,
    // Faster than the limit the user set.
    Speeding,
};

// One event of a recording.
struct UEvent
{
    // Milliseconds from the start of the video.
    qint64 TimeMs = 0;
    UEventKind Kind = UEventKind::Recorder;
    // In g (the peak), in km/h for speeding (the top speed); 0 for the
    // recorder's marks, which tell no strength.
    double Strength = 0.0;
    // The recorder's words for its mark ("event file", a Tesla's reason);
    // empty for the others.
    QString Detail;
};

Q_DECLARE_TYPEINFO(UEvent, Q_RELOCATABLE_TYPE);

using UEventList = QList<UEvent>;

// "recorder", "braking", "acceleration", "bump", "speeding": the kind as
// the command line writes it and the map page reads it.
QString EventKindName(UEventKind Kind);

// Events in time order, the earlier kind first at the same time.
void SortEvents(UEventList &Events);

#endif // UEVENT_H
