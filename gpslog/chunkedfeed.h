#ifndef CHUNKEDFEED_H
#define CHUNKEDFEED_H

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

// Hands a text reader's builder the bytes of Device a piece at a time, so
// that a long log never sits in memory twice. The builder takes
// Feed(QByteArrayView) and SetReadError(): a device that cannot be read, or
// fails on the way, is told to it after what came before.
template <typename Builder>
void FeedInChunks(QIODevice &Device, Builder &Taker)
{
    constexpr qint64 ChunkBytes = 64 * 1024;
    if (!Device.isReadable()) {
        Taker.SetReadError();
        return;
    }
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    for (;;) {
        const qint64 got = Device.read(chunk.data(), ChunkBytes);
        if (got < 0) {
            Taker.SetReadError();
            return;
        }
        if (got == 0)
            return;
        Taker.Feed(QByteArrayView(chunk.constData(), got));
    }
}

#endif // CHUNKEDFEED_H
