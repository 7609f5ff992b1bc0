#include "blackvueaccel.h"

#include "gpslog/mp4/mp4boxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace {

constexpr quint32 EndOfRecords = 0xffffffffu;
constexpr QLatin1String SideSuffixes[] = {QLatin1String(".3gf"), QLatin1String(".3GF")};

} // namespace

RawAccelList BlackVueAccel::Decode(const QByteArray &Records)
{
    RawAccelList readings;
    const qsizetype count = std::min<qsizetype>(Records.size() / RecordBytes, MaxReadings);
    readings.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const char *record = Records.constData() + i * RecordBytes;
        const quint32 time = qFromBigEndian<quint32>(record);
        if (time == EndOfRecords)
            break;
        RawAccel reading;
        reading.OffsetMs = time;
        reading.Up = qFromBigEndian<qint16>(record + 4) / UnitsPerG;
        reading.Right = qFromBigEndian<qint16>(record + 6) / UnitsPerG;
        reading.Forward = -qFromBigEndian<qint16>(record + 8) / UnitsPerG;
        readings.append(reading);
    }
    return readings;
}

QString BlackVueAccel::SideFile(const QString &VideoPath)
{
    const QFileInfo video(VideoPath);
    QStringList stems{video.dir().filePath(video.completeBaseName())};
    // The recorder writes one file for all cameras of the moment, named
    // without the camera's letter: 20260501_120000_N.3gf beside _NF.mp4
    // and _NR.mp4.
    static const QRegularExpression cameraName(QStringLiteral("^(\\d{8}_\\d{6}_[A-Z])[FRIO][SL]?$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = cameraName.match(video.completeBaseName());
    if (match.hasMatch())
        stems << video.dir().filePath(match.captured(1));
    for (const QString &stem : std::as_const(stems)) {
        for (const QLatin1String suffix : SideSuffixes) {
            const QString candidate = stem + suffix;
            if (QFileInfo(candidate).isFile())
                return candidate;
        }
    }
    return {};
}

RawAccelList BlackVueAccel::Read(const QString &VideoPath, const Mp4Boxes *Boxes) const
{
    const QString side = SideFile(VideoPath);
    if (!side.isEmpty()) {
        QFile file(side);
        if (file.open(QIODevice::ReadOnly)) {
            RawAccelList readings = Decode(file.read(MaxBytes));
            if (!readings.isEmpty())
                return readings;
        }
    }
    if (!Boxes)
        return {};
    for (const Mp4Box &box : Boxes->Children(Boxes->Root())) {
        if (box.Type != Mp4Boxes::FourCc("free"))
            continue;
        if (const std::optional<Mp4Box> records = Boxes->Find(box, "3gf ")) {
            RawAccelList readings = Decode(Boxes->ReadPayload(*records, MaxBytes));
            if (!readings.isEmpty())
                return readings;
        }
    }
    return {};
}
