#ifndef MAPFIXTURE_H
#define MAPFIXTURE_H

// A working directory of the test's own for the main window: an images/
// folder with map pages that record every call they receive, and recorder-
// style folders of recordings (DCIM/100CLIP/CLIPnnnn.MOV with gps/gpsnnnn.log).
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace mapfixture {

// Forwards the pages' console lines ("PAGE name", "CALL text") to the test.
class RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList Pages;
    QStringList Calls;
    QStringList Messages;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override
    {
        Messages << message;
        if (message.startsWith(QLatin1String("PAGE ")))
            Pages << message.mid(5);
        else if (message.startsWith(QLatin1String("CALL ")))
            Calls << message.mid(5);
    }
};

// Puts a recording page into the view, keeping the view's settings.
inline RecordingPage *InstallRecordingPage(QWebEngineView *view)
{
    const bool remote = view->settings()->testAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls);
    auto *page = new RecordingPage(view);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, remote);
    view->setPage(page);
    return page;
}

// The numbers a page receives, written the way the page's script prints them.
inline QString JsNumber(const QString &text)
{
    return QString::number(text.toDouble(), 'g', QLocale::FloatingPointShortest);
}

inline QString PageSource(const QString &name, const QString &body, bool mapFunctions)
{
    QString script = QStringLiteral("console.log('PAGE %1');").arg(name);
    const QString record = QStringLiteral(
        "function %1(a, b) { console.log('CALL %1(' + a + ',' + b + ')'); }");
    script += record.arg(QStringLiteral("SetLocation"));
    if (mapFunctions) {
        script += record.arg(QStringLiteral("setstart"));
        script += record.arg(QStringLiteral("setposition"));
    }
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>%1</script></head>"
                          "<body>%2</body></html>")
        .arg(script, body);
}

enum class OnlineMap { Online, Offline, NoCheckBox, NeverLoads, HangsAfterLoading };

// Answers nothing: a page that asks it for an image never finishes loading.
class SilentServer : public QTcpServer
{
public:
    QList<QTcpSocket *> Held;
    SilentServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                Held << socket;
        });
        listen(QHostAddress::LocalHost);
    }
};

class Workspace
{
public:
    QTemporaryDir Root;
    QString PreviousDir;
    SilentServer Server;

    explicit Workspace(OnlineMap map = OnlineMap::Online)
    {
        PreviousDir = QDir::currentPath();
        QDir(Root.path()).mkpath(QStringLiteral("images"));
        SetOnlineMap(map);
        WritePage(QStringLiteral("startupp.html"), PageSource(QStringLiteral("startupp"), QString(), false));
        WritePage(QStringLiteral("no_gps_file.html"), PageSource(QStringLiteral("no_gps_file"), QString(), false));
        WritePage(QStringLiteral("no_gps_info.html"), PageSource(QStringLiteral("no_gps_info"), QString(), false));
        // The no-connection page is an offline map: it has the map's functions.
        WritePage(QStringLiteral("no_connection.html"), PageSource(QStringLiteral("no_connection"), QString(), true));
        QDir::setCurrent(Root.path());
    }
    ~Workspace() { QDir::setCurrent(PreviousDir); }

    void SetOnlineMap(OnlineMap map)
    {
        QString body;
        switch (map) {
        case OnlineMap::Online:
            body = QStringLiteral("<input type=\"checkbox\" id=\"isonline\" checked>");
            break;
        case OnlineMap::Offline:
            body = QStringLiteral("<input type=\"checkbox\" id=\"isonline\">");
            break;
        case OnlineMap::NoCheckBox:
            body = QStringLiteral("<p>map</p>");
            break;
        case OnlineMap::HangsAfterLoading:
            // Loads, then its script never returns: the page answers nothing.
            body = QStringLiteral("<input type=\"checkbox\" id=\"isonline\" checked>"
                                  "<script>window.addEventListener('load', function () {"
                                  " setTimeout(function () { for (;;) {} }, 0); });</script>");
            break;
        case OnlineMap::NeverLoads:
            body = QStringLiteral("<input type=\"checkbox\" id=\"isonline\" checked>"
                                  "<img src=\"http://127.0.0.1:%1/tile.png\">")
                       .arg(Server.serverPort());
            break;
        }
        WritePage(QStringLiteral("googlearth.html"), PageSource(QStringLiteral("googlearth"), body, true));
    }

    void WritePage(const QString &name, const QString &source)
    {
        QFile file(Root.filePath(QStringLiteral("images/") + name));
        if (file.open(QFile::WriteOnly | QFile::Truncate))
            file.write(source.toUtf8());
    }

    // Adds CARD/DCIM/100CLIP/CLIPnnnn.MOV (a copy of `clip`), and, unless
    // logLines is null, CARD/gps/gpsnnnn.log holding those lines.
    QString AddRecording(int number, const QString &clip, const QStringList *logLines,
                         const QString &card = QStringLiteral("card"))
    {
        QDir root(Root.path());
        root.mkpath(card + QStringLiteral("/DCIM/100CLIP"));
        root.mkpath(card + QStringLiteral("/gps"));
        const QString key = QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
        const QString video = Root.filePath(card + QStringLiteral("/DCIM/100CLIP/CLIP") + key + QStringLiteral(".MOV"));
        QFile::remove(video);
        if (clip.isEmpty()) {
            QFile file(video);
            if (file.open(QFile::WriteOnly))
                file.write("not really a video");
        } else {
            QFile::copy(clip, video);
        }
        if (logLines) {
            QFile log(Root.filePath(card + QStringLiteral("/gps/gps") + key + QStringLiteral(".log")));
            if (log.open(QFile::WriteOnly | QFile::Truncate))
                log.write(logLines->join(QLatin1Char('\n')).toUtf8() + '\n');
        }
        return video;
    }
};

// A log of `seconds` lines with a fix, starting near the given point.
inline QStringList DriveLog(int seconds, const QString &northSouth = QStringLiteral("N"),
                            const QString &eastWest = QStringLiteral("E"))
{
    QStringList lines;
    for (int i = 0; i < seconds; ++i) {
        lines << QStringLiteral("A,2026-12-07,08:00:%1,2232.%2,%3,11356.%4,%5,%6;")
                     .arg(i, 2, 10, QLatin1Char('0'))
                     .arg(1000 + 100 * i)
                     .arg(northSouth)
                     .arg(5000 + 200 * i)
                     .arg(eastWest)
                     .arg(10 + 5 * i);
    }
    return lines;
}

inline QStringList NoFixLog(int seconds)
{
    QStringList lines;
    for (int i = 0; i < seconds; ++i)
        lines << QStringLiteral("V,2026-12-07,08:00:%1,,,,,;").arg(i, 2, 10, QLatin1Char('0'));
    return lines;
}

} // namespace mapfixture

#endif // MAPFIXTURE_H
