// The G-sensor layouts against generated files of known readings: each
// reading back within 0.01 g in the car's frame, gravity taken out, and
// every broken record handled.

#include "accelwriter.h"
#include "mp4gpswriter.h"
#include "teslaseiwriter.h"

#include "gpslog/accel/accelreader.h"
#include "gpslog/accel/blackvueaccel.h"
#include "gpslog/accel/gpmfaccel.h"
#include "gpslog/accel/novatekaccel.h"
#include "gpslog/accel/teslaaccel.h"
#include "gpslog/mp4/mp4boxes.h"

#include <QBuffer>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr double Tolerance = 0.01;

// Readings of a level sensor at rest, then a known shove on each axis.
RawAccelList Known()
{
    RawAccelList readings;
    for (int i = 0; i < 30; ++i)
        readings.append({i * 100, 0.0, 0.0, 1.0});
    readings[10] = {1000, -0.55, 0.0, 1.0};
    readings[11] = {1100, 0.0, 0.32, 1.0};
    readings[12] = {1200, 0.0, 0.0, 2.75};
    readings[13] = {1300, 0.25, -0.4, 0.5};
    return readings;
}

void Write(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

// A Tesla camera file of 30 frames at ten a second (the stream ffmpeg made
// for the tests), frame i with Readings[i].
QByteArray TeslaVideo(const RawAccelList &Readings)
{
    QFile base(QStringLiteral(VIALUMO_TESTDATA_DIR "/tesla-base.h264"));
    return base.open(QIODevice::ReadOnly) ? TeslaSeiWriter::Accelerating(base.readAll(), 10, Readings) : QByteArray();
}

} // namespace

class TestAccelReaders : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

private slots:
    void knownReadingsInTheCarsFrame_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("orientation");
        QTest::newRow("BlackVue side file") << "BlackVue" << "side" << QByteArray();
        QTest::newRow("BlackVue box") << "BlackVue" << "box" << QByteArray();
        QTest::newRow("Novatek") << "Novatek" << "novatek" << QByteArray();
        QTest::newRow("GoPro without ORIN") << "GoPro" << "gopro" << QByteArray();
        QTest::newRow("GoPro ZXY") << "GoPro" << "gopro" << QByteArray("ZXY");
        QTest::newRow("GoPro YxZ") << "GoPro" << "gopro" << QByteArray("YxZ");
        QTest::newRow("GoPro xzY") << "GoPro" << "gopro" << QByteArray("xzY");
        QTest::newRow("Nextbase") << "Nextbase" << "nextbase" << QByteArray();
        QTest::newRow("Tesla") << "Tesla" << "tesla" << QByteArray();
    }
    void knownReadingsInTheCarsFrame()
    {
        QFETCH(QString, layout);
        QFETCH(QString, kind);
        QFETCH(QByteArray, orientation);
        const RawAccelList known = Known();
        const QString video = Dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + ".MP4");
        if (kind == "side") {
            Write(video, Mp4GpsWriter::BlackVue(Mp4GpsWriter::Drive(3)));
            Write(video.chopped(4) + ".3gf", AccelWriter::ThreeGf(known));
        } else if (kind == "box") {
            Write(video, AccelWriter::BlackVueVideo(Mp4GpsWriter::Drive(3), known));
        } else if (kind == "novatek") {
            Write(video, AccelWriter::NovatekVideo(Mp4GpsWriter::Drive(int(known.size())), known));
        } else if (kind == "nextbase") {
            Write(video, AccelWriter::NextbaseVideo(known));
        } else if (kind == "tesla") {
            Write(video, TeslaVideo(known));
        } else {
            Write(video, AccelWriter::GoProVideo(known, 10, orientation));
        }
        const AccelTrace trace = AccelReader::ReadVideo(video);
        QCOMPARE(trace.Layout, layout);
        QCOMPARE(trace.Samples.size(), known.size());
        for (qsizetype i = 0; i < known.size(); ++i) {
            const AccelSample &sample = trace.Samples[i];
            if (kind == "novatek")
                QCOMPARE(sample.OffsetMs, i * 1000);
            else
                QCOMPARE(sample.OffsetMs, known[i].OffsetMs);
            QVERIFY2(std::fabs(sample.Longitudinal - known[i].Forward) <= Tolerance, qPrintable(QString::number(i)));
            QVERIFY2(std::fabs(sample.Lateral - known[i].Right) <= Tolerance, qPrintable(QString::number(i)));
            // Gravity (1 g up at rest) is taken out.
            QVERIFY2(std::fabs(sample.Vertical - (known[i].Up - 1.0)) <= Tolerance, qPrintable(QString::number(i)));
        }
    }

    // A BlackVue card keeps one .3gf for all cameras of a moment, named
    // without the camera's letter; a name of no camera looks for no shared one.
    void sharedThreeGfOfTheCameras()
    {
        QTemporaryDir card;
        const QString front = card.filePath("20260501_120000_NF.mp4");
        const QString rear = card.filePath("20260501_120000_NR.mp4");
        Write(card.filePath("20260501_120000_N.3gf"), AccelWriter::ThreeGf(Known()));
        QCOMPARE(BlackVueAccel::SideFile(front), card.filePath("20260501_120000_N.3gf"));
        QCOMPARE(BlackVueAccel::SideFile(rear), card.filePath("20260501_120000_N.3gf"));
        Write(card.filePath("20260501_120000_NF.3gf"), AccelWriter::ThreeGf(Known()));
        QCOMPARE(BlackVueAccel::SideFile(front), card.filePath("20260501_120000_NF.3gf"));
        QCOMPARE(BlackVueAccel::SideFile(card.filePath("20260501_120000_N.mp4")), card.filePath("20260501_120000_N.3gf"));
        QCOMPARE(BlackVueAccel::SideFile(card.filePath("CLIP0001.MOV")), QString());
    }

    void threeGfRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("readings");
        const QByteArray three = AccelWriter::ThreeGf({{0, 0, 0, 1}, {100, 0.5, 0, 1}, {200, 0, 0, 1}});
        QTest::newRow("whole") << three << 3;
        QTest::newRow("odd length: the last record cut short") << three + QByteArray("\x00\x00\x01", 3) << 3;
        QTest::newRow("one byte short") << three.chopped(1) << 2;
        QTest::newRow("end marker") << three.first(10) + QByteArray(4, '\xff') + QByteArray(6, '\0') + three.mid(10)
                                    << 1;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("shorter than a record") << QByteArray(9, '\x01') << 0;
    }
    void threeGfRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, readings);
        const RawAccelList decoded = BlackVueAccel::Decode(bytes);
        QCOMPARE(decoded.size(), readings);
        if (readings >= 2)
            QCOMPARE(decoded[1].Forward, 0.5);
    }

    void badReadings_data()
    {
        QTest::addColumn<RawAccelList>("readings");
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("stuck");
        RawAccelList still;
        for (int i = 0; i < 50; ++i)
            still.append({i * 100, 0.2, -0.1, 1.3});
        QTest::newRow("stuck at one value") << still << 0 << true;
        RawAccelList wild = Known();
        wild[3].Up = 40.0;
        wild[4].Forward = qQNaN();
        wild[5].Right = -std::numeric_limits<double>::infinity();
        wild[6].OffsetMs = -5;
        QTest::newRow("beyond the sensor, not a number, before the start") << wild << int(Known().size()) - 4
                                                                            << false;
        RawAccelList backwards = Known();
        std::swap(backwards[2], backwards[20]);
        QTest::newRow("out of order") << backwards << int(Known().size()) << false;
        QTest::newRow("none") << RawAccelList() << 0 << false;
        QTest::newRow("one") << RawAccelList{{0, 0.1, 0.1, 1.0}} << 1 << false;
    }
    void badReadings()
    {
        QFETCH(RawAccelList, readings);
        QFETCH(int, kept);
        QFETCH(bool, stuck);
        const AccelTrace trace = AccelReader::ToTrace(QStringLiteral("Test"), readings);
        QCOMPARE(trace.Samples.size(), kept);
        QCOMPARE(trace.Stuck, stuck);
        for (qsizetype i = 1; i < trace.Samples.size(); ++i)
            QVERIFY(trace.Samples[i - 1].OffsetMs <= trace.Samples[i].OffsetMs);
    }

    void novatekBlocksWithoutSensor_data()
    {
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<bool>("reading");
        QTest::newRow("zeros") << QByteArray(12, '\0') << false;
        QTest::newRow("counting") << QByteArray("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00", 12) << false;
        QTest::newRow("a reading") << QByteArray("\x00\x01\x00\x00\x00\x00\x00\x00\x80\x00\x00\x00", 12) << true;
    }
    void novatekBlocksWithoutSensor()
    {
        QFETCH(QByteArray, values);
        QFETCH(bool, reading);
        QByteArray block = Mp4GpsWriter::NovatekBlock(Mp4GpsWriter::Drive(1).first());
        block.replace(60, 12, values);
        RawAccel decoded;
        QCOMPARE(NovatekAccel::Decode(block, 0, decoded), reading);
        if (reading) {
            QCOMPARE(decoded.Forward, 1.0);
            QCOMPARE(decoded.Up, 0.5);
        }
        // A block cut before its readings, or without its marker, has none.
        QVERIFY(!NovatekAccel::Decode(block.first(62), 0, decoded));
        QVERIFY(!NovatekAccel::Decode(QByteArray(200, 'x'), 0, decoded));
    }

    void goProSampleCutShort()
    {
        const QByteArray video = AccelWriter::GoProVideo(Known(), 10, "ZXY");
        // Every cut of the file reads without a crash, never more readings
        // than there are.
        for (qsizetype size = 0; size < video.size(); size += 7) {
            QBuffer buffer;
            buffer.setData(video.first(size));
            QVERIFY(buffer.open(QIODevice::ReadOnly));
            const Mp4Boxes boxes(buffer);
            QVERIFY(GpmfAccel().Read(QString(), &boxes).size() <= Known().size());
        }
    }

    // Tesla frames that carry the GPS but no acceleration give no trace, and
    // the GPS is still read from them.
    void teslaFramesWithoutAcceleration()
    {
        const QString video = Dir.filePath("tesla-gps-only.mp4");
        Write(video, TeslaVideo({}));
        QVERIFY(AccelReader::ReadVideo(video).IsEmpty());
        RawAccel reading;
        QVERIFY(!TeslaAccel::Decode(TeslaFrame(), reading));
    }

    void videoWithoutSensor()
    {
        const QString video = Dir.filePath("plain.MP4");
        Write(video, Mp4GpsWriter::Novatek(Mp4GpsWriter::Drive(5)));
        const AccelTrace trace = AccelReader::ReadVideo(video);
        QVERIFY(trace.IsEmpty());
        QVERIFY(trace.Layout.isEmpty());
        QVERIFY(AccelReader::ReadVideo(Dir.filePath("missing.MP4")).IsEmpty());
        QVERIFY(AccelReader::ReadVideo(Dir.path()).IsEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAccelReaders)
#include "tst_accelreaders.moc"
