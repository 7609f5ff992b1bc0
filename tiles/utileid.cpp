#include "utileid.h"

bool UTileId::IsValid() const
{
    if (Z < 0 || Z > MaxZoom)
        return false;
    const qint64 side = qint64(1) << Z;
    return X >= 0 && Y >= 0 && X < side && Y < side;
}

int UTileId::FlippedY() const
{
    return int((qint64(1) << Z) - 1 - Y);
}

QString UTileId::Text() const
{
    return QString::number(Z) + QLatin1Char('/') + QString::number(X) + QLatin1Char('/') + QString::number(Y);
}

quint64 UTileId::Key() const
{
    // Tiles above zoom Z number (4^Z - 1) / 3; a tile's key is that count
    // plus its place in its zoom, row by row: unique, and below 2^62.
    const quint64 above = ((quint64(1) << (2 * Z)) - 1) / 3;
    return above + (quint64(Y) << Z) + quint64(X);
}

namespace UTileFormat {

QByteArray PictureMime(const QByteArray &Bytes)
{
    if (Bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("image/png");
    if (Bytes.startsWith("\xff\xd8\xff"))
        return QByteArrayLiteral("image/jpeg");
    if (Bytes.size() >= 12 && Bytes.startsWith("RIFF") && Bytes.mid(8, 4) == "WEBP")
        return QByteArrayLiteral("image/webp");
    if (Bytes.size() >= 12 && Bytes.mid(4, 4) == "ftyp" && (Bytes.mid(8, 4) == "avif" || Bytes.mid(8, 4) == "avis"))
        return QByteArrayLiteral("image/avif");
    return QByteArray();
}

bool IsGzip(const QByteArray &Bytes)
{
    return Bytes.size() >= 2 && quint8(Bytes.at(0)) == 0x1f && quint8(Bytes.at(1)) == 0x8b;
}

} // namespace UTileFormat
