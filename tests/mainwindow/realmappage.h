#ifndef REALMAPPAGE_H
#define REALMAPPAGE_H

// The deployed map pages in a test's workspace, made to load without the
// network: a local stand-in answers the online map's tile requests (and so
// its online probe) with one plain tile, or nothing listens where it asks
// and the real offline map follows. The pages are the real ones but for the
// tile server's address.
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebEnginePage>

#include <functional>

namespace realmappage {

// Answers every HTTP request with the same PNG tile.
class TileServer : public QTcpServer
{
public:
    TileServer()
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(0xe9, 0xe5, 0xdc));
        QPainter painter(&tile);
        painter.fillRect(0, 120, 256, 16, Qt::white);
        painter.end();
        QBuffer buffer(&Png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                Serve(socket);
        });
        listen(QHostAddress::LocalHost);
    }

    QByteArray Png;

private:
    void Serve(QTcpSocket *socket)
    {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray &request = Requests[socket];
            request += socket->readAll();
            if (!request.contains("\r\n\r\n"))
                return;
            Requests.remove(socket);
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nAccess-Control-Allow-Origin: *\r\n"
                          "Connection: close\r\nContent-Length: "
                          + QByteArray::number(Png.size()) + "\r\n\r\n" + Png);
            socket->disconnectFromHost();
        });
    }

    QHash<QTcpSocket *, QByteArray> Requests;
};

const QByteArray TileServerAddress = "https://tile.openstreetmap.org/";

// Copies a folder of the deployed images/ (the map library, the pages'
// scripts) into imagesDir; the number of files copied.
inline int CopyDeployedFolder(const QString &imagesDir, const QString &folder)
{
    const QString from = QStringLiteral(VIALUMO_DEPLOY_DIR "/images/") + folder;
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    int copied = 0;
    while (files.hasNext()) {
        const QString file = files.next();
        const QString to = QDir(imagesDir).filePath(folder + QLatin1Char('/') + QDir(from).relativeFilePath(file));
        QDir().mkpath(QFileInfo(to).path());
        QFile::remove(to);
        copied += QFile::copy(file, to);
    }
    return copied;
}

// Copies the deployed googlearth.html, its scripts and its map library into
// imagesDir, with the tile server's address replaced by tileBase (an
// address ending in "/"). False when the deployed page or its library is
// missing or no longer names the tile server.
inline bool InstallRealMapPageAt(const QString &imagesDir, const QByteArray &tileBase)
{
    const QString deployed = QStringLiteral(VIALUMO_DEPLOY_DIR "/images/");
    QFile page(deployed + QStringLiteral("googlearth.html"));
    if (!page.open(QFile::ReadOnly))
        return false;
    QByteArray source = page.readAll();
    if (!source.contains(TileServerAddress))
        return false;
    source.replace(TileServerAddress, tileBase);
    QFile copy(QDir(imagesDir).filePath(QStringLiteral("googlearth.html")));
    if (!copy.open(QFile::WriteOnly | QFile::Truncate) || copy.write(source) != source.size())
        return false;
    return CopyDeployedFolder(imagesDir, QStringLiteral("leaflet")) > 0
        && CopyDeployedFolder(imagesDir, QStringLiteral("map")) > 0;
}

// The same, with the tile server's address pointing at `server`.
inline bool InstallRealMapPage(const QString &imagesDir, const TileServer &server)
{
    return InstallRealMapPageAt(imagesDir, "http://127.0.0.1:" + QByteArray::number(server.serverPort()) + "/");
}

// The real online map with no tile server to reach (a port nothing listens
// on: the probe fails at once) and the real offline map of no_connection.html.
inline bool InstallRealOfflinePages(const QString &imagesDir)
{
    QTcpServer closed;
    if (!closed.listen(QHostAddress::LocalHost))
        return false;
    const QByteArray base = "http://127.0.0.1:" + QByteArray::number(closed.serverPort()) + "/";
    closed.close();
    const QString offline = QDir(imagesDir).filePath(QStringLiteral("no_connection.html"));
    QFile::remove(offline);
    return InstallRealMapPageAt(imagesDir, base)
        && QFile::copy(QStringLiteral(VIALUMO_DEPLOY_DIR "/images/no_connection.html"), offline);
}

// Runs the event loop until done() holds, without the sleeps of
// QTest::qWaitFor (the web engine hops through this thread many times).
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

// The value of a script in the page; invalid when the page does not answer.
inline QVariant Evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    Spin([&] { return done; }, 10000);
    return result;
}

// Where the page shows second `second` of its route, in the view's pixels;
// (-1, -1) while it shows no such second.
inline QPoint RoutePoint(QWebEnginePage *page, int second)
{
    const QVariantList xy = Evaluate(page, QStringLiteral(
                                               "(function (second) { var s = vialumoMap, r = s.routeDrawn;"
                                               " if (!r) return null;"
                                               " var i = vialumoFixAtOrBefore(r, second);"
                                               " if (i < 0 || r.sec[i] !== second) return null;"
                                               " var p = s.map.latLngToContainerPoint([r.lat[i], r.lon[i]]);"
                                               " return [p.x, p.y]; })(%1)")
                                               .arg(second))
                                .toList();
    return xy.size() == 2 ? QPoint(qRound(xy.at(0).toDouble()), qRound(xy.at(1).toDouble())) : QPoint(-1, -1);
}

} // namespace realmappage

#endif // REALMAPPAGE_H
