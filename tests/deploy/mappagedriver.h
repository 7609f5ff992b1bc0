#ifndef MAPPAGEDRIVER_H
#define MAPPAGEDRIVER_H

// Drives the deployed map page in a real web view the way the player does:
// JavaScript calls in, seekToSecond calls out through a WebChannel object
// published as "player".
#include <QJsonArray>
#include <QJsonDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <functional>

namespace mappagedriver {

// Collects what the page writes to its console: errors show up there.
class ConsolePage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList Errors;
    std::function<void(const QString &)> OnMessage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &) override
    {
        if (level == ErrorMessageLevel)
            Errors << QStringLiteral("%1 (line %2)").arg(message).arg(line);
        if (OnMessage)
            OnMessage(message);
    }
};

// The player's side of the channel: records the seconds the page asks for.
class PlayerRecorder : public QObject
{
    Q_OBJECT
public:
    QList<int> Seconds;
    Q_INVOKABLE void seekToSecond(int second) { Seconds << second; }
};

// Runs the event loop until done() holds. Unlike QTest::qWaitFor it never
// sleeps: the web engine hops through this thread many times to load a page,
// and a sleep at every hop makes a load take seconds.
inline bool Spin(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    return done();
}

inline QVariant Evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    if (!Spin([&] { return done; }, 10000))
        qWarning() << "no answer from the page to" << script.left(200);
    return result;
}

inline QString ImagesDir()
{
    return QStringLiteral(VIALUMO_DEPLOY_DIR "/images/");
}

// A view of the player's map size holding the page, with or without the
// player's channel. Load() returns once the page's load event has fired and,
// with a channel, the page has connected to it.
class MapPageView
{
public:
    QWebEngineView View;
    ConsolePage *Page;
    QWebChannel Channel;
    PlayerRecorder Player;

    explicit MapPageView(bool withChannel = true, QSize size = QSize(300, 360))
        : Page(new ConsolePage(&View))
    {
        Page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        if (withChannel) {
            Channel.registerObject(QStringLiteral("player"), &Player);
            Page->setWebChannel(&Channel);
        }
        View.setPage(Page);
        View.resize(size);
        View.show();
    }

    bool Load(const QString &file = ImagesDir() + QStringLiteral("googlearth.html"),
              const std::function<void()> &whileLoading = {})
    {
        bool finished = false, ok = false;
        QObject::connect(Page, &QWebEnginePage::loadFinished, Page, [&](bool success) {
            finished = true;
            ok = success;
        });
        View.setUrl(QUrl::fromLocalFile(file));
        if (whileLoading)
            whileLoading();
        if (!Spin([&] { return finished; }, 30000) || !ok)
            return false;
        if (Page->webChannel())
            return Spin([&] { return Js(QStringLiteral("vialumoMap.player !== null")).toBool(); }, 10000);
        return true;
    }

    QVariant Js(const QString &script) { return Evaluate(Page, script); }

    // Where the page shows a point of the map, in the view's pixels.
    QPoint ContainerPoint(double lat, double lon)
    {
        const QVariantList xy = Js(QStringLiteral("(function () { var p = vialumoMap.map.latLngToContainerPoint([%1, %2]);"
                                                  " return [p.x, p.y]; })()")
                                       .arg(lat, 0, 'g', 12)
                                       .arg(lon, 0, 'g', 12))
                                    .toList();
        return xy.size() == 2 ? QPoint(qRound(xy.at(0).toDouble()), qRound(xy.at(1).toDouble())) : QPoint(-1, -1);
    }

    // Mouse input as a user's: through the widget that takes the view's input.
    QWidget *Input() { return View.focusProxy() ? View.focusProxy() : &View; }
};

struct Fix
{
    int Second;
    double Latitude;
    double Longitude;
    double Speed;
};

// The argument of showroute / showpreviousroute, as the player writes it.
inline QString RouteJson(const QList<Fix> &fixes)
{
    QJsonArray points;
    for (const Fix &f : fixes)
        points.append(QJsonArray{f.Second, f.Latitude, f.Longitude, f.Speed});
    return QString::fromUtf8(QJsonDocument(points).toJson(QJsonDocument::Compact));
}

// A straight road north-east from the given point, one fix a second, about
// 45 m apart, at the given speeds.
inline QList<Fix> StraightRoute(const QList<double> &speeds, int firstSecond = 0, double lat = 22.5354,
                                double lon = 113.9428)
{
    QList<Fix> fixes;
    for (int i = 0; i < speeds.size(); ++i)
        fixes.append({firstSecond + i, lat + 0.0003 * i, lon + 0.0003 * i, speeds.at(i)});
    return fixes;
}

} // namespace mappagedriver

#endif // MAPPAGEDRIVER_H
