// Writes playable videos with GPS inside, one per recorder layout, from a
// video that ends with its 'moov' box (as ffmpeg writes them):
//   makegpsvideos VIDEO SECONDS OUTPUT_DIR [H264_STREAM]
// gives OUTPUT_DIR/gps-novatek.MP4, gps-70mai.MP4 and gps-blackvue.MP4, each
// with one fix a second of a drive in Warsaw, for SECONDS seconds. Given an
// H.264 stream (Annex B with access unit delimiters, ten frames a second),
// it also writes a file of each of the other layouts, for checking the
// readers against other tools: gps-subtitles.MOV (NMEA in a QuickTime text
// track of the video), gps-tesla.MP4 (made of the stream), and files
// holding only their GPS: gps-70mai-boxes.MP4, gps-gopro-drone.MP4,
// gps-nextbase-text.MOV, gps-novatek-<layout>.MP4 and
// gps-novatek-unindexed-<layout>.MP4.

#include "mp4gpswriter.h"
#include "teslaseiwriter.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool Save(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    if (Bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(Bytes) != Bytes.size()) {
        std::fprintf(stderr, "makegpsvideos: cannot write %s\n", qPrintable(Path));
        return false;
    }
    return true;
}

// The files of the layouts that carry no video, and the Tesla file.
bool SaveOthers(const QDir &Out, const GpsFixList &Drive, const QByteArray &Video, const QByteArray &Stream)
{
    using W = Mp4GpsWriter;
    using Kind = NovatekOptions::Layout;
    const QList<QPair<const char *, Kind>> layouts{
        {"float", Kind::FloatReport},          {"status-word", Kind::FloatStatusWord},
        {"year-first", Kind::FloatYearFirst},  {"double", Kind::DoubleReport},
        {"double-early", Kind::DoubleReportEarlyStatus}, {"integer", Kind::IntegerReport},
        {"xor", Kind::XorText},                {"nmea", Kind::NmeaText},
        {"shifted", Kind::ShiftedNmea},        {"records", Kind::FloatRecords},
        {"integer-records", Kind::IntegerRecords}};
    bool written = Save(Out.filePath("gps-subtitles.MOV"), W::WithNmeaSubtitles(Video, Drive))
        && Save(Out.filePath("gps-tesla.MP4"), TeslaSeiWriter::Drive(Stream, 10))
        && Save(Out.filePath("gps-70mai-boxes.MP4"), W::SeventyMaiBoxes({Drive.mid(0, Drive.size() / 2),
                                                                         Drive.mid(Drive.size() / 2)}))
        && Save(Out.filePath("gps-nextbase-text.MOV"), W::Nextbase(Drive, "text"));
    QList<QByteArray> samples;
    for (qsizetype i = 0; i < Drive.size(); ++i) {
        samples.append(W::GpmfDevice("1", "Camera", W::GpmfAccelerometerStream())
                       + W::GpmfDevice("KARM", "GoPro Karma v1.0", W::GpmfGps5Stream(Drive.mid(i, 1))));
    }
    written = written && Save(Out.filePath("gps-gopro-drone.MP4"), W::GoProSamples(samples));
    for (const auto &[name, kind] : layouts) {
        NovatekOptions options;
        options.Kind = kind;
        written = written
            && Save(Out.filePath(QStringLiteral("gps-novatek-%1.MP4").arg(QLatin1String(name))), W::Novatek(Drive, options))
            && Save(Out.filePath(QStringLiteral("gps-novatek-unindexed-%1.MP4").arg(QLatin1String(name))),
                    W::NovatekUnindexed(Drive, options));
    }
    return written;
}

} // namespace

int main(int argc, char **argv)
{
    bool counted = false;
    const int seconds = argc == 4 || argc == 5 ? QByteArray(argv[2]).toInt(&counted) : 0;
    if (!counted || seconds <= 0) {
        std::fprintf(stderr, "usage: makegpsvideos VIDEO SECONDS OUTPUT_DIR [H264_STREAM]\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makegpsvideos: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray video = input.readAll();
    const QDir out(QString::fromLocal8Bit(argv[3]));
    const GpsFixList drive = Mp4GpsWriter::Drive(seconds);
    bool written = Save(out.filePath("gps-novatek.MP4"), Mp4GpsWriter::WithNovatekGps(video, drive))
        && Save(out.filePath("gps-70mai.MP4"), Mp4GpsWriter::WithSeventyMaiGps(video, drive))
        && Save(out.filePath("gps-blackvue.MP4"), Mp4GpsWriter::WithBlackVueGps(video, drive));
    if (written && argc == 5) {
        QFile stream(QString::fromLocal8Bit(argv[4]));
        if (!stream.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "makegpsvideos: cannot read %s\n", argv[4]);
            return 1;
        }
        written = SaveOthers(out, drive, video, stream.readAll());
    }
    return written ? 0 : 1;
}
