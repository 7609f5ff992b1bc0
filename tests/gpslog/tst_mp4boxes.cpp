// The MP4 box walker and the sample tables, on damaged and huge files.

#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/gpmfgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/mp4/seventymaigps.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using W = Mp4GpsWriter;

namespace {

// Counts the bytes taken from the file, to show nothing is read whole.
class CountingFile : public QFile
{
public:
    using QFile::QFile;
    qint64 BytesRead = 0;

protected:
    qint64 readData(char *Data, qint64 MaxSize) override
    {
        const qint64 n = QFile::readData(Data, MaxSize);
        BytesRead += std::max<qint64>(n, 0);
        return n;
    }
};

// "type@offset+size" for each box found along Path, or "-".
QByteArray Found(const QByteArray &File, const QByteArray &Path)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    const Mp4Boxes boxes(buffer);
    const QList<Mp4Box> found = boxes.FindAll(boxes.Root(), Path);
    if (found.isEmpty())
        return "-";
    QByteArrayList texts;
    for (const Mp4Box &box : found)
        texts.append(Mp4Boxes::TypeName(box.Type) + '@' + QByteArray::number(box.Offset) + '+'
                     + QByteArray::number(box.Size));
    return texts.join(' ');
}

QByteArray Nested(int Levels, const QByteArray &Inner)
{
    QByteArray box = Inner;
    for (int i = 0; i < Levels; ++i)
        box = W::Box("moov", box);
    return box;
}

// A track of gpmd samples whose sample table boxes are given raw.
QByteArray TrackWithTables(const QByteArray &Tables, quint32 Timescale = 1000, quint8 HeaderVersion = 0)
{
    const QByteArray description = W::Box("gpmd", QByteArray(8, '\0'));
    const QByteArray header = HeaderVersion == 1
        ? W::BigEndian64(0) + W::BigEndian64(0) + W::BigEndian32(Timescale) + W::BigEndian64(0)
        : W::BigEndian32(0) + W::BigEndian32(0) + W::BigEndian32(Timescale) + W::BigEndian32(0);
    return W::Box("trak", W::Box("mdia", W::FullBox("mdhd", HeaderVersion, header + W::BigEndian32(0))
                                             + W::Box("minf", W::Box("stbl", W::FullBox("stsd", 0, W::BigEndian32(1)
                                                                                                    + description)
                                                                              + Tables))));
}

QByteArray Words(std::initializer_list<quint32> Values)
{
    QByteArray bytes;
    for (quint32 v : Values)
        bytes += W::BigEndian32(v);
    return bytes;
}

} // namespace

class TestMp4Boxes : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray ftyp = W::FileType(); // 24 bytes
        const QByteArray gps = W::Box("gps ", "abcd");
        QTest::newRow("32-bit sizes") << ftyp + W::Box("moov", gps) << QByteArray("moov/gps ")
                                      << QByteArray("gps @32+12");
        QTest::newRow("64-bit size") << ftyp + W::LargeBox("moov", gps) << QByteArray("moov/gps ")
                                     << QByteArray("gps @40+12");
        QTest::newRow("size 0 runs to the end of the file")
            << ftyp + W::BigEndian32(0) + "moov" + gps + gps << QByteArray("moov") << QByteArray("moov@24+32");
        QTest::newRow("size 0 inside runs to the end of the parent")
            << ftyp + W::Box("moov", W::Box("free", {}) + W::BigEndian32(0) + "gps " + "abcd") + W::Box("free", {})
            << QByteArray("moov/gps ") << QByteArray("gps @40+12");
        QTest::newRow("past the end of the file is dropped")
            << ftyp + W::Box("free", {}) + W::BigEndian32(100) + "GPS " + QByteArray(36, 'x') << QByteArray("GPS ")
            << QByteArray("-");
        QTest::newRow("what follows a dropped box is not found")
            << ftyp + W::BigEndian32(1000) + "mdat" + W::Box("moov", gps) << QByteArray("moov") << QByteArray("-");
        QTest::newRow("past the end of the parent is dropped")
            << ftyp + W::Box("moov", W::BigEndian32(13) + "gps " + "abcd") + QByteArray(8, '\0')
            << QByteArray("moov/gps ") << QByteArray("-");
        QTest::newRow("64-bit size past the end") << ftyp + W::BigEndian32(1) + "moov" + W::BigEndian64(1ULL << 63)
                                                  << QByteArray("moov") << QByteArray("-");
        QTest::newRow("64-bit size shorter than its header")
            << ftyp + W::BigEndian32(1) + "moov" + W::BigEndian64(8) + gps << QByteArray("moov") << QByteArray("-");
        QTest::newRow("size shorter than the header stops the level")
            << ftyp + W::BigEndian32(4) + "free" + W::Box("moov", gps) << QByteArray("moov") << QByteArray("-");
        QTest::newRow("header cut by the end of the file") << ftyp + QByteArray("\0\0\0\x10moo", 7)
                                                           << QByteArray("moov") << QByteArray("-");
        QTest::newRow("empty boxes advance") << ftyp + W::Box("free", {}).repeated(500) + W::Box("moov", {})
                                             << QByteArray("moov") << QByteArray("moov@4024+8");
        QTest::newRow("every match") << ftyp + W::Box("moov", W::Box("trak", {}) + gps + W::Box("trak", "x"))
                                     << QByteArray("moov/trak") << QByteArray("trak@32+8 trak@52+9");
        QTest::newRow("16 levels deep") << Nested(16, gps) << QByteArray("moov/").repeated(16).chopped(1)
                                        << QByteArray("moov@120+20");
        QTest::newRow("path longer than 16 levels") << Nested(17, gps) << QByteArray("moov/").repeated(16) + "gps "
                                                   << QByteArray("-");
        QTest::newRow("path with a short type") << ftyp + W::Box("moov", gps) << QByteArray("moov/gps")
                                                << QByteArray("-");
        QTest::newRow("empty path") << ftyp << QByteArray() << QByteArray("-");
        QTest::newRow("path ending in a separator") << ftyp + W::Box("moov", gps) << QByteArray("moov/")
                                                    << QByteArray("-");
        QTest::newRow("not an MP4 file") << QByteArray("RIFF\x10\0\0\0AVI LIST", 16) << QByteArray("RIFF")
                                         << QByteArray("-");
    }

    void sizes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, expected);
        QCOMPARE(Found(file, path), expected);
    }

    void nestingIsBounded()
    {
        QBuffer buffer;
        buffer.setData(Nested(17, W::Box("gps ", {})));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        const std::optional<Mp4Box> deepest = boxes.Find(QByteArray("moov/").repeated(16).chopped(1));
        QVERIFY(deepest);
        QCOMPARE(deepest->Depth, Mp4Boxes::MaxDepth);
        QCOMPARE(deepest->PayloadSize(), 16);
        QVERIFY(boxes.Children(*deepest).isEmpty());
    }

    // Tables whose samples overlap stop before the samples, together,
    // outgrow the file.
    void overlappingSamplesAreBounded()
    {
        const QByteArray tables = W::FullBox("stsc", 0, Words({1, 1, 1, 1}))
            + W::FullBox("stsz", 0, Words({0, 40}) + Words({60}).repeated(40))
            + W::FullBox("stco", 0, Words({40}) + Words({32}).repeated(40));
        QBuffer buffer;
        buffer.setData(W::FileType() + W::Box("mdat", QByteArray(64, 'd')) + W::Movie(TrackWithTables(tables)));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        const Mp4SampleTable table(boxes, *boxes.Find("moov/trak"));
        QVERIFY(!table.Samples().isEmpty());
        QVERIFY(table.Samples().size() * 60 <= buffer.size());
        QVERIFY(table.Samples().size() < 40);
    }

    void levelsAreBounded()
    {
        QBuffer buffer;
        buffer.setData(W::Box("free", {}).repeated(Mp4Boxes::MaxBoxesPerLevel + 10));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        QCOMPARE(boxes.Children(boxes.Root()).size(), Mp4Boxes::MaxBoxesPerLevel);
    }

    void readsOnlyInsideTheFile()
    {
        QBuffer buffer;
        buffer.setData(W::FileType() + W::Box("moov", "abcdef"));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        const std::optional<Mp4Box> movie = boxes.Find("moov");
        QVERIFY(movie);
        QCOMPARE(boxes.ReadPayload(*movie, 4), QByteArray("abcd"));
        QCOMPARE(boxes.ReadPayload(*movie, 100), QByteArray("abcdef"));
        QCOMPARE(boxes.Read(-1, 4), QByteArray());
        QCOMPARE(boxes.Read(buffer.size(), 4), QByteArray());
        QCOMPARE(boxes.Read(buffer.size() - 2, 1LL << 40), QByteArray("ef"));
    }

    void unreadableDevices()
    {
        QBuffer closed;
        closed.setData(W::SeventyMai(W::Drive(5)));
        QVERIFY(!Mp4Boxes(closed).IsReadable());
        QCOMPARE(EmbeddedGps::Read(closed).Source, EmbeddedGps::Layout::None);
        QCOMPARE(EmbeddedGps::Read(QStringLiteral("/nonexistent/video.mp4")).Source, EmbeddedGps::Layout::None);
    }

    // A recording of more than 4 GB, sparse on disk: every layout is found
    // past the huge 'mdat' by seeking, and only a few kilobytes are read.
    void hugeSparseFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.MP4"));
        const qint64 mediaBytes = (qint64(1) << 32) + 4096;
        const GpsFixList fixes = W::Drive(3);
        QList<QPair<quint32, quint32>> blocks;
        QByteArray head = W::FileType();
        for (const GpsFix &fix : fixes) {
            const QByteArray block = W::NovatekBlock(fix);
            blocks.append({quint32(head.size()), quint32(block.size())});
            head += block;
        }
        const qint64 mdatAt = head.size();
        const qint64 sampleAt = mdatAt + 16 + mediaBytes - 4096;
        const QByteArray sample = W::GpmfSample(fixes);
        const QByteArray tail = W::Movie(W::Box("gps ", W::NovatekIndex(blocks))
                                         + W::Track("gpmd", 1000, {{sample, 1000}}, {quint64(sampleAt)}, true))
            + W::SeventyMaiBox(fixes);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(head + W::BigEndian32(1) + "mdat" + W::BigEndian64(quint64(16 + mediaBytes)));
            QVERIFY(file.resize(mdatAt + 16 + mediaBytes));
            QVERIFY(file.seek(sampleAt));
            file.write(sample);
            QVERIFY(file.seek(mdatAt + 16 + mediaBytes));
            file.write(tail);
        }
        CountingFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Mp4Boxes boxes(file);
        QCOMPARE(EmbeddedGps::ValidFixCount(SeventyMaiGps::Read(boxes)), 3);
        QCOMPARE(EmbeddedGps::ValidFixCount(NovatekGps::Read(boxes)), 3);
        const GpsFixList gopro = GpmfGps::Read(boxes);
        QCOMPARE(EmbeddedGps::ValidFixCount(gopro), 3);
        QCOMPARE(gopro.last().Latitude, fixes.last().Latitude);
        QCOMPARE(EmbeddedGps::Read(file).Source, EmbeddedGps::Layout::SeventyMai);
        QVERIFY2(file.BytesRead < 1024 * 1024, QByteArray::number(file.BytesRead).constData());
    }

    void sampleTables_data()
    {
        QTest::addColumn<QByteArray>("tables");
        QTest::addColumn<QByteArray>("data");
        // "offset+size@start/duration" of each sample, offsets from the data.
        QTest::addColumn<QByteArray>("expected");
        const QByteArray oneRun = W::FullBox("stsc", 0, Words({1, 1, 1, 1}));
        const QByteArray stts = W::FullBox("stts", 0, Words({2, 2, 100, 1, 50}));
        const QByteArray data(64, 'd');
        // Chunk offsets are rewritten to the data's place by the test.
        QTest::newRow("one sample a chunk")
            << stts + oneRun + W::FullBox("stsz", 0, Words({0, 3, 10, 20, 30}))
                   + W::FullBox("stco", 0, Words({3, 0, 10, 30}))
            << data << QByteArray("0+10@0/100 10+20@100/100 30+30@200/50");
        QTest::newRow("64-bit chunk offsets")
            << stts + oneRun + W::FullBox("stsz", 0, Words({0, 2, 10, 20}))
                   + W::FullBox("co64", 0, Words({2}) + W::BigEndian64(0) + W::BigEndian64(10))
            << data << QByteArray("0+10@0/100 10+20@100/100");
        QTest::newRow("two runs of samples per chunk")
            << W::FullBox("stsc", 0, Words({2, 1, 2, 1, 2, 1, 1})) + W::FullBox("stsz", 0, Words({5, 4}))
                   + W::FullBox("stco", 0, Words({3, 0, 40, 50}))
            << data << QByteArray("0+5@0/0 5+5@0/0 40+5@0/0 50+5@0/0");
        QTest::newRow("compact sizes of 4 bits")
            << oneRun + W::FullBox("stz2", 0, Words({4, 3}) + QByteArray("\x12\x30", 2))
                   + W::FullBox("stco", 0, Words({3, 0, 8, 16}))
            << data << QByteArray("0+1@0/0 8+2@0/0 16+3@0/0");
        QTest::newRow("compact sizes of 16 bits")
            << oneRun + W::FullBox("stz2", 0, Words({16, 1}) + QByteArray("\0\x07", 2))
                   + W::FullBox("stco", 0, Words({1, 3}))
            << data << QByteArray("3+7@0/0");
        QTest::newRow("compact sizes of another width")
            << oneRun + W::FullBox("stz2", 0, Words({12, 1}) + QByteArray("\0\x07", 2))
                   + W::FullBox("stco", 0, Words({1, 3}))
            << data << QByteArray();
        QTest::newRow("huge counts in short tables")
            << W::FullBox("stts", 0, Words({0xffffffff, 1, 10}))
                   + W::FullBox("stsc", 0, Words({0xffffffff, 1, 0xffffffff, 1}))
                   + W::FullBox("stsz", 0, Words({0, 0xffffffff, 4, 4})) + W::FullBox("stco", 0, Words({0xffffffff, 0}))
            << data << QByteArray("0+4@0/10 4+4@10/0");
        QTest::newRow("one size for all, many more than fit")
            << oneRun + W::FullBox("stsz", 0, Words({16, 0xffffffff})) + W::FullBox("stco", 0, Words({3, 0, 16, 32}))
            << data << QByteArray("0+16@0/0 16+16@0/0 32+16@0/0");
        QTest::newRow("samples outside the file are left out")
            << stts + oneRun + W::FullBox("stsz", 0, Words({0, 3, 10, 10, 10}))
                   + W::FullBox("stco", 0, Words({3, 0, 0x7ffffff0, 20}))
            << data << QByteArray("0+10@0/100 20+10@200/50");
        QTest::newRow("runs not starting at chunk 1")
            << W::FullBox("stsc", 0, Words({1, 2, 1, 1})) + W::FullBox("stsz", 0, Words({4, 2}))
                   + W::FullBox("stco", 0, Words({1, 0}))
            << data << QByteArray();
        QTest::newRow("runs going back end where they do")
            << W::FullBox("stsc", 0, Words({2, 1, 1, 1, 1, 3, 1})) + W::FullBox("stsz", 0, Words({4, 3}))
                   + W::FullBox("stco", 0, Words({3, 0, 8, 16}))
            << data << QByteArray("0+4@0/0 8+4@0/0 16+4@0/0");
        QTest::newRow("no chunk table") << oneRun + W::FullBox("stsz", 0, Words({4, 2})) << data << QByteArray();
        QTest::newRow("empty samples") << oneRun + W::FullBox("stsz", 0, Words({0, 0}))
                                               + W::FullBox("stco", 0, Words({1, 0}))
                                        << data << QByteArray();
    }

    void sampleTables()
    {
        QFETCH(QByteArray, tables);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, expected);
        const QByteArray head = W::FileType() + W::Box("mdat", data);
        const qint64 dataAt = head.size() - data.size();
        // Move the chunk offsets to the data's place in the file.
        const qsizetype offsets = tables.indexOf("stco") >= 0 ? tables.indexOf("stco") : tables.indexOf("co64");
        if (offsets >= 0) {
            const bool large = tables.mid(offsets, 4) == "co64";
            const qsizetype width = large ? 8 : 4;
            const qsizetype count = std::min<qsizetype>(qFromBigEndian<quint32>(tables.constData() + offsets + 8),
                                                        (tables.size() - offsets - 12) / width);
            for (qsizetype i = 0; i < count; ++i) {
                char *at = tables.data() + offsets + 12 + i * width;
                if (large)
                    qToBigEndian<quint64>(qFromBigEndian<quint64>(at) + quint64(dataAt), at);
                else
                    qToBigEndian<quint32>(qFromBigEndian<quint32>(at) + quint32(dataAt), at);
            }
        }
        QBuffer buffer;
        buffer.setData(head + W::Movie(TrackWithTables(tables)));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        const std::optional<Mp4Box> track = boxes.Find("moov/trak");
        QVERIFY(track);
        const Mp4SampleTable table(boxes, *track);
        QCOMPARE(table.Format(), Mp4Boxes::FourCc("gpmd"));
        QByteArrayList texts;
        for (const Mp4Sample &s : table.Samples())
            texts.append(QByteArray::number(s.Offset - dataAt) + '+' + QByteArray::number(s.Size) + '@'
                         + QByteArray::number(s.Start) + '/' + QByteArray::number(s.Duration));
        QCOMPARE(texts.join(' '), expected);
    }

    void timescales_data()
    {
        QTest::addColumn<quint32>("timescale");
        QTest::addColumn<int>("version");
        QTest::addColumn<quint64>("ticks");
        QTest::addColumn<qint64>("milliseconds");
        QTest::newRow("version 0") << 90000u << 0 << quint64(45000) << qint64(500);
        QTest::newRow("version 1") << 600u << 1 << quint64(1500) << qint64(2500);
        QTest::newRow("large times") << 1u << 0 << (quint64(1) << 40) << qint64(1099511627776000);
        QTest::newRow("no timescale") << 0u << 0 << quint64(10) << qint64(-1);
    }

    void timescales()
    {
        QFETCH(quint32, timescale);
        QFETCH(int, version);
        QFETCH(quint64, ticks);
        QFETCH(qint64, milliseconds);
        QBuffer buffer;
        buffer.setData(W::Movie(TrackWithTables({}, timescale, quint8(version))));
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        const Mp4SampleTable table(boxes, *boxes.Find("moov/trak"));
        QCOMPARE(table.Timescale(), timescale);
        QCOMPARE(table.Milliseconds(ticks), milliseconds);
    }
};

QTEST_GUILESS_MAIN(TestMp4Boxes)
#include "tst_mp4boxes.moc"
