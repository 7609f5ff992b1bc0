#ifndef BLACKVUEACCEL_H
#define BLACKVUEACCEL_H

#include "gpslog/accel/accelreader.h"

#include <QByteArray>

// The G-sensor of BlackVue recorders: a side file with the video's stem and
// the suffix .3gf, or the same records in a '3gf ' box inside the video's
// top-level 'free' box. A record is ten big-endian bytes: a 32-bit time in
// milliseconds from the start of the video, then three signed 16-bit axes,
// 128 to the g: vertical (up positive), lateral (right positive) and
// longitudinal (backwards positive). A time of all ones ends the records;
// a last record cut short is no record.
class BlackVueAccel : public AccelReader
{
public:
    static constexpr qsizetype RecordBytes = 10;
    static constexpr double UnitsPerG = 128.0;
    // No side file or box is read beyond this (a day at ten a second).
    static constexpr qint64 MaxBytes = MaxReadings * RecordBytes;

    QString Name() const override { return QStringLiteral("BlackVue"); }
    // The side file where there is one, else the box.
    RawAccelList Read(const QString &VideoPath, const Mp4Boxes *Boxes) const override;

    static RawAccelList Decode(const QByteArray &Records);
    // The side file of a video: <stem>.3gf or <stem>.3GF beside it; empty
    // when there is none.
    static QString SideFile(const QString &VideoPath);
};

#endif // BLACKVUEACCEL_H
