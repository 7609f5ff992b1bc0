#ifndef REALMAPPAGE_H
#define REALMAPPAGE_H

// The deployed online map page in a test's workspace, made to load without
// the network: a local stand-in answers its tile requests (and so its online
// probe) with one plain tile. The page is the real one but for the tile
// server's address.
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

// Copies the deployed googlearth.html and its map library into imagesDir,
// with the tile server's address pointing at `server`. False when the
// deployed page or its library is missing or no longer names the tile server.
inline bool InstallRealMapPage(const QString &imagesDir, const TileServer &server)
{
    const QString deployed = QStringLiteral(VIALUMO_DEPLOY_DIR "/images/");
    QFile page(deployed + QStringLiteral("googlearth.html"));
    if (!page.open(QFile::ReadOnly))
        return false;
    QByteArray source = page.readAll();
    if (!source.contains(TileServerAddress))
        return false;
    source.replace(TileServerAddress, "http://127.0.0.1:" + QByteArray::number(server.serverPort()) + "/");
    QFile copy(QDir(imagesDir).filePath(QStringLiteral("googlearth.html")));
    if (!copy.open(QFile::WriteOnly | QFile::Truncate) || copy.write(source) != source.size())
        return false;
    const QString library = deployed + QStringLiteral("leaflet");
    QDirIterator files(library, QDir::Files, QDirIterator::Subdirectories);
    int copied = 0;
    while (files.hasNext()) {
        const QString from = files.next();
        const QString to = QDir(imagesDir).filePath(QStringLiteral("leaflet/") + QDir(library).relativeFilePath(from));
        QDir().mkpath(QFileInfo(to).path());
        QFile::remove(to);
        copied += QFile::copy(from, to);
    }
    return copied > 0;
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
