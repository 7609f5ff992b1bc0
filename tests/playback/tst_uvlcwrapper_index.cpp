// The play list of UVlcWrapper: which entry next, previous, set and remove
// choose, and what the wrapper does when the engine or a path fails it.
//
// Every entry is a sound-only WAV file whose length in whole seconds is its
// entry number + 1, so the length the engine reports names the entry that is
// playing, without any video output.

#include "playback/uvlcwrapper.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include <unistd.h>

namespace {

constexpr int kEntries = 4;
constexpr int kSampleRate = 8000;
constexpr int kPlayTimeoutMs = 30000;

// A silent mono 16-bit PCM WAV file of the given length.
bool WriteSilentWav(const QString &path, int seconds)
{
    const quint32 dataBytes = quint32(seconds) * kSampleRate * 2;
    QByteArray wav;
    auto put32 = [&wav](quint32 v) { v = qToLittleEndian(v); wav.append(reinterpret_cast<const char *>(&v), 4); };
    auto put16 = [&wav](quint16 v) { v = qToLittleEndian(v); wav.append(reinterpret_cast<const char *>(&v), 2); };
    wav.append("RIFF");
    put32(36 + dataBytes);
    wav.append("WAVEfmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(kSampleRate);
    put32(kSampleRate * 2);
    put16(2);
    put16(16);
    wav.append("data");
    put32(dataBytes);
    wav.append(QByteArray(int(dataBytes), '\0'));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

// Lets the tests start the engine with arguments it refuses.
class EngineWithArguments : public UVlcWrapper
{
public:
    explicit EngineWithArguments(const QStringList &arguments)
        : UVlcWrapper(arguments, nullptr)
    {
    }
};

} // namespace

class TestUVlcWrapperIndex : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QStringList Entries;

    std::unique_ptr<UVlcWrapper> WrapperWith(int count, int index)
    {
        auto wrapper = std::make_unique<UVlcWrapper>();
        for (int i = 0; i < count; ++i)
            wrapper->AddMedia(Entries.at(i));
        if (index >= 0)
            wrapper->SetIndex(index);
        return wrapper;
    }

    // The entry the engine was given last (by its length, which stays known
    // once the clip has opened, even after it has ended), or -1 when it was
    // never given one.
    static int PlayingEntry(UVlcWrapper &wrapper)
    {
        if (wrapper.GetState() == 0 && wrapper.GetLength() == -1)
            return -1;
        if (!QTest::qWaitFor([&] { return wrapper.GetLength() > 0; }, kPlayTimeoutMs)) {
            qWarning("the engine did not open the entry: state %d", wrapper.GetState());
            return -2;
        }
        return int(qRound(wrapper.GetLength() / 1000.0)) - 1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Dir.isValid());
        for (int i = 0; i < kEntries; ++i) {
            const QString path = Dir.filePath(QStringLiteral("entry%1.wav").arg(i));
            QVERIFY(WriteSilentWav(path, i + 1));
            Entries << path;
        }
    }

    void indexRules_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("argument");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("indexAfter");
        // The entry playing afterwards (-1: nothing was ever played). For "set" and
        // "remove", which play nothing, the current entry is played afterwards to
        // see which recording the index now names.
        QTest::addColumn<int>("entryAfter");

        QTest::newRow("empty next") << 0 << -1 << "next" << 0 << -1 << -1 << -1;
        QTest::newRow("empty previous") << 0 << -1 << "previous" << 0 << -1 << -1 << -1;
        QTest::newRow("empty play") << 0 << -1 << "play" << 0 << -1 << -1 << -1;
        QTest::newRow("next wraps to first") << 3 << 2 << "next" << 0 << 0 << 0 << 0;
        QTest::newRow("previous wraps to last") << 3 << 0 << "previous" << 0 << 0 << 2 << 2;
        QTest::newRow("next steps") << 3 << 1 << "next" << 0 << 0 << 2 << 2;
        QTest::newRow("previous steps") << 3 << 1 << "previous" << 0 << 0 << 0 << 0;
        QTest::newRow("next in list of one") << 1 << 0 << "next" << 0 << 0 << 0 << 0;
        QTest::newRow("previous in list of one") << 1 << 0 << "previous" << 0 << 0 << 0 << 0;
        QTest::newRow("next from none") << 3 << -1 << "next" << 0 << 0 << 0 << 0;
        QTest::newRow("previous from none") << 3 << -1 << "previous" << 0 << 0 << -1 << -1;
        QTest::newRow("play none chosen") << 3 << -1 << "play" << 0 << -1 << -1 << -1;
        QTest::newRow("play current") << 3 << 1 << "play" << 0 << 0 << 1 << 1;
        QTest::newRow("set in range") << 3 << 1 << "set" << 2 << 0 << 2 << 2;
        QTest::newRow("set -1 ignored") << 3 << 1 << "set" << -1 << 0 << 1 << 1;
        QTest::newRow("set size ignored") << 3 << 1 << "set" << 3 << 0 << 1 << 1;
        QTest::newRow("set in empty list") << 0 << -1 << "set" << 0 << 0 << -1 << -1;
        QTest::newRow("remove current") << 3 << 2 << "remove" << 2 << 0 << 1 << 1;
        QTest::newRow("remove earlier keeps recording") << 3 << 2 << "remove" << 0 << 0 << 1 << 2;
        QTest::newRow("remove later") << 4 << 2 << "remove" << 3 << 0 << 2 << 2;
        QTest::newRow("remove first while current") << 3 << 0 << "remove" << 0 << 0 << -1 << -1;
        QTest::newRow("remove size") << 3 << 1 << "remove" << 3 << -1 << 1 << 1;
        QTest::newRow("remove -1") << 3 << 1 << "remove" << -1 << -1 << 1 << 1;
        QTest::newRow("remove with none chosen") << 3 << -1 << "remove" << 0 << 0 << -1 << -1;
    }

    void indexRules()
    {
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(QString, operation);
        QFETCH(int, argument);
        QFETCH(int, result);
        QFETCH(int, indexAfter);
        QFETCH(int, entryAfter);

        auto wrapper = WrapperWith(count, index);
        QCOMPARE(wrapper->GetIndex(), index);

        int returned = 0;
        if (operation == QLatin1String("next"))
            returned = wrapper->PlayNext();
        else if (operation == QLatin1String("previous"))
            returned = wrapper->PlayPrevious();
        else if (operation == QLatin1String("play"))
            returned = wrapper->PlayAtIndex();
        else if (operation == QLatin1String("set"))
            wrapper->SetIndex(argument);
        else if (operation == QLatin1String("remove"))
            returned = wrapper->RemoveMedia(argument);
        else
            QFAIL("unknown operation");

        QCOMPARE(returned, result);
        QCOMPARE(wrapper->GetIndex(), indexAfter);

        if (operation == QLatin1String("set") || operation == QLatin1String("remove")) {
            QCOMPARE(wrapper->GetState(), 0); // neither plays anything
            QCOMPARE(wrapper->PlayAtIndex(), indexAfter >= 0 ? 0 : -1);
        }
        QCOMPARE(PlayingEntry(*wrapper), entryAfter);
    }

    void pathSeparatorsStayAsTheyAre()
    {
        // "\" is an ordinary file name character here: a folder may carry one.
        QDir base(Dir.path());
        const QString folder = QStringLiteral("back\\slash");
        QVERIFY(base.mkpath(folder));
        const QString path = base.filePath(folder + QStringLiteral("/entry1.wav"));
        QVERIFY(QFile::copy(Entries.at(1), path));

        UVlcWrapper wrapper;
        wrapper.AddMedia(path);
        wrapper.SetIndex(0);
        QCOMPARE(wrapper.PlayAtIndex(), 0);
        QCOMPARE(PlayingEntry(wrapper), 1);
    }

    void idleBeforeFirstPlay()
    {
        UVlcWrapper wrapper;
        wrapper.AddMedia(Entries.at(0));
        wrapper.Stop();
        wrapper.Pause();
        wrapper.SetPosition(500);
        QCOMPARE(wrapper.GetState(), 0);
        QCOMPARE(wrapper.GetTime(), -1);
        QCOMPARE(wrapper.GetLength(), -1);
    }

    void engineThatDidNotStart()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("did not start")));
        EngineWithArguments wrapper({QStringLiteral("--no-such-option-xyz")});

        // The list still works; nothing reaches the missing engine.
        wrapper.AddMedia(Entries.at(0));
        wrapper.AddMedia(Entries.at(1));
        wrapper.SetIndex(1);
        QCOMPARE(wrapper.GetIndex(), 1);
        QCOMPARE(wrapper.PlayAtIndex(), -1);
        QCOMPARE(wrapper.PlayNext(), 0);
        QCOMPARE(wrapper.GetIndex(), 0);
        QCOMPARE(wrapper.PlayPrevious(), 0);
        QCOMPARE(wrapper.GetIndex(), 1);
        QCOMPARE(wrapper.RemoveMedia(0), 0);
        QCOMPARE(wrapper.GetIndex(), 0);

        wrapper.Pause();
        wrapper.Stop();
        wrapper.SetPosition(500);
        wrapper.ToggleFullScreen();
        wrapper.SetVideoWindow(0, QStringLiteral("xcb"));
        QCOMPARE(wrapper.SetVolume(30), -1);
        QCOMPARE(wrapper.GetVolume(), -1);
        QCOMPARE(wrapper.GetState(), 0);
        QCOMPARE(wrapper.GetTime(), -1);
        QCOMPARE(wrapper.GetLength(), -1);
    }

    void pathTheEngineRefuses()
    {
        UVlcWrapper wrapper;
        wrapper.AddMedia(Entries.at(2));
        wrapper.AddMedia(QStringLiteral("relative.wav"));
        wrapper.SetIndex(0);
        QCOMPARE(wrapper.PlayAtIndex(), 0);
        QCOMPARE(PlayingEntry(wrapper), 2);

        // A relative path needs the working folder, and a removed one has no name.
        const QString home = QDir::currentPath();
        {
            QTemporaryDir gone;
            QVERIFY(gone.isValid());
            QVERIFY(QDir::setCurrent(gone.path()));
        }
        char name[4096];
        QVERIFY(::getcwd(name, sizeof name) == nullptr);

        wrapper.SetIndex(1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused the path")));
        const int played = wrapper.PlayAtIndex();
        QVERIFY(QDir::setCurrent(home));

        QCOMPARE(played, -1);
        QCOMPARE(wrapper.GetIndex(), 1);
        // The clip that was playing is still the one the state and length describe.
        QCOMPARE(PlayingEntry(wrapper), 2);
    }
};

QTEST_GUILESS_MAIN(TestUVlcWrapperIndex)
#include "tst_uvlcwrapper_index.moc"
