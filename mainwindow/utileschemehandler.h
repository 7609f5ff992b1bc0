#ifndef UTILESCHEMEHANDLER_H
#define UTILESCHEMEHANDLER_H

#include <QWebEngineUrlSchemeHandler>

class UTileService;

// Serves the map pages' tile requests (vialumo-tiles://tile/{z}/{x}/{y},
// see tiles/utilescheme.h) from the tile service: the user's offline maps,
// the tile cache, the tile server. The answer comes later, from worker
// threads or the network; a request the page dropped in between gets none.
class UTileSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    UTileSchemeHandler(UTileService *Service, QObject *Parent = nullptr);

    // Makes the scheme known to the web engine: once, before the
    // application object exists.
    static void RegisterScheme();

    void requestStarted(QWebEngineUrlRequestJob *Job) override;

private:
    UTileService *Service;
};

#endif // UTILESCHEMEHANDLER_H
