#ifndef UDISPLAYTICK_H
#define UDISPLAYTICK_H

#include <QList>
#include <QString>
#include <QtGlobal>

class GpsLogData;
struct GpsRecord;

// One thing the window does on a display tick.
struct UDisplayStep
{
    enum Kind {
        SetSlider,       // the position slider to Slider
        SetTimeLabel,    // the play-time label to Text
        SetPositionText, // the car's position label to Text
        SetSpeed,        // the speedometer to Speed
        RunMapCall,      // the JavaScript in Text on the map page
        SwitchPlayFace,  // flip the play/pause button's face
        PlayNext,        // choose the next recording, if there is one
    };

    Kind What = SetSlider;
    int Slider = 0;
    double Speed = 0.0;
    QString Text;
};

// What one display tick reads: the engine, the GPS track of the recording,
// the map page asked for and the play/pause face.
struct UDisplayReading
{
    int EngineState = 0;    // UEngineState::EngineState
    qint64 Time = -1;       // play time, ms
    qint64 Length = -1;     // recording length, ms; 0 or less while unknown
    // The recording's GPS as read, one fix a second of video; without it the
    // tick follows no track.
    const GpsLogData *GpsLog = nullptr;
    qint32 PlayStatus = 0;  // UMapBridge::PlayStatusCode
    int PlayButtonState = 1; // 1: the Play face, 0: the Pause face
    // Seconds the recording's GPS track is moved against the video: the car
    // is shown where it was GpsShiftSeconds before the play time.
    int GpsShiftSeconds = 0;
    // The track was read for the recording playing (the window's
    // GpsTrackLoaded): the offline map of the no-connection page follows it
    // only then, since it may show a recording chosen before its track came.
    bool TrackLoaded = false;
};

// The periodic display update: four times a second the displays follow the
// engine, and the next recording starts when one has ended. A tick is the
// list of steps the window takes, in order.
class UDisplayTick
{
public:
    static constexpr int IntervalMs = 250;
    static constexpr int SliderEnd = 1000;

    // While the online map, or the offline map of the no-connection page,
    // shows a recording whose track was read, playing ticks follow the track
    // (position label, needle, map calls) and end with the map's clock, and
    // paused ticks send the clock alone.
    static QList<UDisplayStep> Steps(const UDisplayReading &Reading);

    // The slider and the time label at once after a seek to Time: ticks of a
    // paused engine change neither.
    static QList<UDisplayStep> SoughtSteps(qint64 Time, qint64 Length);

    // Play time as hh:mm:ss (more hour digits from 100 hours on); a time the
    // engine does not know (negative) reads as zero.
    static QString FormatPlayTime(qint64 Milliseconds);

    // The position label of a record: the hemisphere letters with the
    // unsigned numbers, or the letters alone for a line without a fix.
    static QString PositionText(const GpsRecord &Record);

    // Whether a tick with this reading follows the track: on the online map,
    // and on the no-connection page once the track was read for it.
    static bool FollowsTrack(const UDisplayReading &Reading);
};

#endif // UDISPLAYTICK_H
