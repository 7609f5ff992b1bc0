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

signals:
    void SeekRequested(int Second);
};

#endif // UMAPPLAYEROBJECT_H
