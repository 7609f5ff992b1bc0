// The line cutter under the text log readers: the same lines whatever the
// pieces the text comes in, over-long lines dropped whole, never kept.

#include "gpslog/cappedlines.h"

#include <QTest>

namespace {

constexpr qsizetype Max = 8;

bool IsBreak(char C)
{
    return C == '\n' || C == '\r';
}

// The lines of Text fed in pieces of Piece bytes (0: all at once).
QList<QByteArray> Cut(const QByteArray &Text, qsizetype Piece)
{
    CappedLines<bool (*)(char)> lines(Max, IsBreak);
    QList<QByteArray> out;
    const auto take = [&out](QByteArrayView Line) { out << Line.toByteArray(); };
    const qsizetype step = Piece > 0 ? Piece : std::max<qsizetype>(Text.size(), 1);
    for (qsizetype at = 0; at < Text.size(); at += step)
        lines.Feed(QByteArrayView(Text).sliced(at, std::min(step, Text.size() - at)), take);
    lines.Finish(take);
    return out;
}

} // namespace

class TestCappedLines : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("expected");
        using L = QList<QByteArray>;
        QTest::newRow("plain") << QByteArray("ab\ncd\n") << L{"ab", "cd"};
        QTest::newRow("last line without a break") << QByteArray("ab\ncd") << L{"ab", "cd"};
        QTest::newRow("empty lines are lines") << QByteArray("a\r\nb") << L{"a", "", "b"};
        QTest::newRow("exactly the longest") << QByteArray("12345678\nz\n") << L{"12345678", "z"};
        QTest::newRow("one byte too long, dropped whole") << QByteArray("123456789\nz\n") << L{"z"};
        QTest::newRow("too long at the end") << QByteArray("z\n123456789") << L{"z"};
        QTest::newRow("a long run of lines too long") << QByteArray(100, 'x') + "\n" + QByteArray(50, 'y') + "\nok"
                                                      << L{"ok"};
        QTest::newRow("nothing") << QByteArray() << L{};
    }

    // Fed whole, a byte at a time and in odd pieces: the same lines.
    void lines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, expected);
        for (const qsizetype piece : {qsizetype(0), qsizetype(1), qsizetype(3), qsizetype(7)})
            QCOMPARE(Cut(text, piece), expected);
    }
};

QTEST_APPLESS_MAIN(TestCappedLines)
#include "tst_cappedlines.moc"
