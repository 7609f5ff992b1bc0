#ifndef UMAPPLAYEROBJECT_H
#define UMAPPLAYEROBJECT_H

#include <QObject>

// The player as the map page sees it through the web channel, published as
// "player". It only passes the page's requests on: whether one still applies
// is the window's to decide.
class UMapPlayerObject : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The user clicked the route or the speed profile at that second of the
    // recording the page shows.
    Q_INVOKABLE void seekToSecond(int Second);
    // The user clicked another recording of the trip the page shows (by its
    // catalogue index) at that second of it.
    Q_INVOKABLE void seekToRecordingSecond(int Recording, int Second);

signals:
    void SeekRequested(int Second);
    void RecordingSeekRequested(int Recording, int Second);
};

#endif // UMAPPLAYEROBJECT_H
