// GPS in the frames of Tesla camera files: the SEI messages, NAL units and
// samples that hold them, and whole files read through libavformat.

#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/teslagps.h"
#include "mp4gpswriter.h"
#include "teslaseiwriter.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using T = TeslaSeiWriter;

namespace {

constexpr int FrameRate = 10;

QByteArray Base()
{
    QFile file(QStringLiteral(VIALUMO_TESTDATA_DIR "/tesla-base.h264"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TeslaFrame Frame(double Latitude = 52.0, double Longitude = 21.0)
{
    TeslaFrame frame;
    frame.FrameSequence = 300;
    frame.SpeedMps = 12.5;
    frame.BrakeApplied = true;
    frame.Latitude = Latitude;
    frame.Longitude = Longitude;
    frame.Heading = 271.5;
    frame.Acceleration = {0.5, -1.25, 9.75};
    return frame;
}

// The SEI payload of type 5 as it follows the payload size.
QByteArray UserData(const QByteArray &Message, int Padding = 3)
{
    return QByteArray(Padding, '\x42') + '\x69' + Message;
}

QList<TeslaFrame> FramesOf(const QByteArray &File)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return TeslaGps::Frames(buffer);
}

EmbeddedGps::Result ReadBytes(const QByteArray &File)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return EmbeddedGps::Read(buffer);
}

} // namespace

class TestTeslaGps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(!Base().isEmpty()); }

    // One message: every field the player reads, the others passed over.
    void message()
    {
        const std::optional<TeslaFrame> frame = TeslaGps::DecodeUserData(UserData(T::Message(Frame())));
        QVERIFY(frame.has_value());
        QCOMPARE(frame->FrameSequence, quint64(300));
        QCOMPARE(frame->SpeedMps, 12.5);
        QVERIFY(frame->BrakeApplied);
        QCOMPARE(frame->Latitude, 52.0);
        QCOMPARE(frame->Longitude, 21.0);
        QCOMPARE(frame->Heading, 271.5);
        QCOMPARE(frame->Acceleration[0], 0.5);
        QCOMPARE(frame->Acceleration[1], -1.25);
        QCOMPARE(frame->Acceleration[2], 9.75);
    }

    void nalUnits_data()
    {
        QTest::addColumn<QByteArray>("nal");
        QTest::addColumn<int>("frames");
        const QByteArray message = T::Message(Frame());
        // 52.0 and 21.0 as doubles hold runs of zeros: emulation prevention
        // bytes are in the unit.
        QVERIFY(T::SeiNal(message).contains(QByteArray("\0\0\x03", 3)));
        QTest::newRow("escaped zeros") << T::SeiNal(message) << 1;
        QTest::newRow("one padding byte") << T::SeiNal(message, 1) << 1;
        QTest::newRow("long padding") << T::SeiNal(message, 40) << 1;
        QTest::newRow("message of 300 bytes")
            << T::SeiNal(message + QByteArray("\x2a\xa0\x02", 3) + QByteArray(288, 'x')) << 1;
        QTest::newRow("no padding") << T::SeiNal(message, 0) << 0;
        QByteArray noMark = T::SeiNal(message);
        noMark[6] = '\x42';
        QTest::newRow("no 0x69 after the padding") << noMark << 0;
        // Field 3's varint never ends.
        QTest::newRow("broken varint") << T::SeiNal(QByteArray("\x18", 1) + QByteArray(12, '\xff')) << 0;
        QTest::newRow("cut double") << T::SeiNal(QByteArray("\x59\x00\x00", 3)) << 0;
        QTest::newRow("empty message") << T::SeiNal({}) << 1;
        QByteArray longSize = T::SeiNal(message);
        longSize[2] = '\xfe';
        QTest::newRow("payload size beyond the unit") << longSize << 1;
        QByteArray noStop = T::SeiNal(message);
        noStop.chop(1);
        noStop[2] = char(quint8(noStop[2]) + 1);
        QTest::newRow("size one beyond, no stop byte") << noStop << 1;
        // x264 writes its version as user data with its UUID.
        QTest::newRow("encoder's user data")
            << QByteArray("\x06\x05\x14\xdc\x45\xe9\xbd\xe6\xd9\x48\xb7\x96\x2c\xd8\x20\xd9\x23\xee\xefx264\x80", 24) << 0;
        QByteArray timingFirst = T::SeiNal(message);
        timingFirst.insert(1, QByteArray("\x01\x02\x11\x22", 4));
        QTest::newRow("picture timing, then the message") << timingFirst << 1;
        QTest::newRow("two messages")
            << T::SeiNal(message).chopped(1) + T::SeiNal(T::Message(Frame(53.0))).mid(1) << 2;
        QByteArray slice = T::SeiNal(message);
        slice[0] = '\x65';
        QTest::newRow("picture slice") << slice << 0;
        QTest::newRow("header only") << QByteArray("\x06", 1) << 0;
        QTest::newRow("empty") << QByteArray() << 0;
    }

    void nalUnits()
    {
        QFETCH(QByteArray, nal);
        QFETCH(int, frames);
        const QList<TeslaFrame> read = TeslaGps::DecodeNal(nal);
        QCOMPARE(read.size(), frames);
        for (const TeslaFrame &frame : read) {
            if (frame.Latitude != 0.0)
                QVERIFY(frame.Latitude == 52.0 || frame.Latitude == 53.0);
        }
    }

    // Samples of length-prefixed units (1, 2 or 4 bytes), or Annex B.
    void samples_data()
    {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("lengthBytes");
        QTest::addColumn<int>("frames");
        const QByteArray sei = T::SeiNal(T::Message(Frame()));
        const QByteArray slice("\x65\x88\x84\x00\x10", 5);
        auto prefixed = [](const QByteArray &Nal, int Bytes) {
            QByteArray length = Mp4GpsWriter::BigEndian32(quint32(Nal.size())).right(Bytes);
            return length + Nal;
        };
        QTest::newRow("4-byte lengths") << prefixed(sei, 4) + prefixed(slice, 4) << 4 << 1;
        QTest::newRow("2-byte lengths") << prefixed(sei, 2) + prefixed(slice, 2) << 2 << 1;
        QTest::newRow("1-byte lengths") << prefixed(slice, 1) + prefixed(sei, 1) << 1 << 1;
        QTest::newRow("Annex B") << QByteArray("\0\0\0\x01", 4) + sei + QByteArray("\0\0\x01", 3) + slice << 0 << 1;
        QTest::newRow("length beyond the sample") << prefixed(sei, 4).chopped(1) << 4 << 0;
        QTest::newRow("absurd length") << QByteArray("\xff\xff\xff\xf0", 4) + sei << 4 << 0;
        QTest::newRow("empty") << QByteArray() << 4 << 0;
    }

    void samples()
    {
        QFETCH(QByteArray, sample);
        QFETCH(int, lengthBytes);
        QFETCH(int, frames);
        QCOMPARE(TeslaGps::DecodeSample(sample, lengthBytes).size(), frames);
    }

    // A camera file: one message a frame, through libavformat; the frame's
    // time is the fix's place, the acceleration is kept.
    void file()
    {
        const QByteArray file = T::Drive(Base(), FrameRate);
        const QList<TeslaFrame> frames = FramesOf(file);
        QCOMPARE(frames.size(), 30);
        for (int i = 0; i < frames.size(); ++i) {
            const TeslaFrame expected = T::DriveFrame(i, FrameRate);
            QCOMPARE(frames[i].OffsetMs, expected.OffsetMs);
            QCOMPARE(frames[i].FrameSequence, expected.FrameSequence);
            QCOMPARE(frames[i].Latitude, expected.Latitude);
            QCOMPARE(frames[i].Longitude, expected.Longitude);
            QCOMPARE(frames[i].Acceleration, expected.Acceleration);
            QCOMPARE(frames[i].BrakeApplied, expected.BrakeApplied);
            QCOMPARE(float(frames[i].SpeedMps), float(expected.SpeedMps));
        }
        const EmbeddedGps::Result result = ReadBytes(file);
        QCOMPARE(result.Source, EmbeddedGps::Layout::Tesla);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), 30);
        const GpsFix &last = result.Fixes.last();
        QCOMPARE(last.OffsetMs, 2900);
        QVERIFY(std::fabs(last.SpeedKmh - (60.0 + 2.9 * 0.5)) < 1e-4);
        QCOMPARE(last.Course, 45.0);
        QVERIFY(!last.Utc.isValid());
    }

    // Read from a file on disk, as the catalogue does.
    void fileOnDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2025-12-01_10-00-00-front.mp4"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(T::Drive(Base(), FrameRate));
        out.close();
        const EmbeddedGps::Result result = EmbeddedGps::Read(path);
        QCOMPARE(result.Source, EmbeddedGps::Layout::Tesla);
        QCOMPARE(result.Fixes.size(), 30);
    }

    // Files with fewer or no messages, and damaged ones.
    void files_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("valid");
        const QByteArray base = Base();
        QTest::newRow("parked: no message") << T::Mp4(base, FrameRate, [](int) { return QList<QByteArray>(); }) << 0;
        QTest::newRow("driving off after two seconds")
            << T::Mp4(base, FrameRate,
                      [](int Frame) {
                          return Frame < 20 ? QList<QByteArray>() : QList<QByteArray>{T::SeiNal(T::Message(T::DriveFrame(Frame, FrameRate)))};
                      })
            << 10;
        QTest::newRow("no position yet")
            << T::Mp4(base, FrameRate,
                      [](int Frame) {
                          TeslaFrame frame = T::DriveFrame(Frame, FrameRate);
                          if (Frame < 5)
                              frame.Latitude = frame.Longitude = 0.0;
                          return QList<QByteArray>{T::SeiNal(T::Message(frame))};
                      })
            << 25;
        QTest::newRow("broken varint in every frame")
            << T::Mp4(base, FrameRate, [](int) { return QList<QByteArray>{T::SeiNal(QByteArray("\x18\xff\xff", 3))}; })
            << 0;
        QByteArray noIndex = T::Drive(base, FrameRate);
        noIndex.truncate(noIndex.indexOf("moov") - 4);
        QTest::newRow("cut before its index") << noIndex << 0;
        QByteArray cut = T::Drive(base, FrameRate);
        // The samples the index lists past the new end are left out.
        QByteArray mediaCut = cut.left(cut.indexOf("mdat") + 4 + 8000) + cut.mid(cut.indexOf("moov") - 4);
        QTest::newRow("media data cut") << mediaCut << -1;
        QByteArray astray = T::Drive(base, FrameRate);
        const qsizetype stco = astray.indexOf("stco");
        for (int i = 0; i < 30; ++i)
            astray.replace(stco + 12 + 4 * i, 4, Mp4GpsWriter::BigEndian32(0x7ffffff0));
        QTest::newRow("sample table pointing past the end") << astray << 0;
    }

    void files()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, valid);
        const EmbeddedGps::Result result = ReadBytes(file);
        if (valid < 0) {
            // Damaged: whatever is read lies on the drive.
            for (const GpsFix &fix : result.Fixes)
                QVERIFY(!fix.Valid || std::fabs(fix.Latitude - 52.19) < 0.01);
            return;
        }
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), valid);
        QCOMPARE(result.Source, valid > 0 ? EmbeddedGps::Layout::Tesla : EmbeddedGps::Layout::None);
    }

    void fixes_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("speedMps");
        QTest::addColumn<double>("heading");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("speedKmh");
        QTest::addColumn<double>("course");
        QTest::newRow("driving") << 52.0 << 21.0 << 10.0 << 90.0 << true << 36.0 << 90.0;
        QTest::newRow("reversing") << 52.0 << 21.0 << -2.0 << -90.0 << true << 7.2 << 270.0;
        QTest::newRow("heading beyond a turn") << 52.0 << 21.0 << 0.0 << 725.0 << true << 0.0 << 5.0;
        QTest::newRow("no position (0,0)") << 0.0 << 0.0 << 10.0 << 90.0 << false << 0.0 << 0.0;
        QTest::newRow("off the globe") << 95.0 << 21.0 << 10.0 << 90.0 << false << 0.0 << 0.0;
        QTest::newRow("speed not a number") << 52.0 << 21.0 << qQNaN() << 90.0 << false << 0.0 << 0.0;
        QTest::newRow("speed no car drives") << 52.0 << 21.0 << 3e38 << 90.0 << false << 0.0 << 0.0;
    }

    void fixes()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, speedMps);
        QFETCH(double, heading);
        QFETCH(bool, valid);
        QFETCH(double, speedKmh);
        QFETCH(double, course);
        TeslaFrame frame;
        frame.OffsetMs = 1200;
        frame.Latitude = latitude;
        frame.Longitude = longitude;
        frame.SpeedMps = speedMps;
        frame.Heading = heading;
        const GpsFix fix = TeslaGps::ToFix(frame);
        QCOMPARE(fix.OffsetMs, 1200);
        QCOMPARE(fix.Valid, valid);
        if (!valid)
            return;
        QVERIFY(std::fabs(fix.SpeedKmh - speedKmh) < 1e-9);
        QVERIFY(std::fabs(fix.Course - course) < 1e-9);
    }
};

QTEST_GUILESS_MAIN(TestTeslaGps)
#include "tst_teslagps.moc"
