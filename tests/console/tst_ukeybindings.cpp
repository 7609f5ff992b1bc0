// The key table: what each key press does, that no two bindings claim the
// same key, and that the help and the README list every key.
#include <QtTest>

#include "console/ukeybindings.h"

Q_DECLARE_METATYPE(UKeyAction)

class TestUKeyBindings : public QObject
{
    Q_OBJECT
private slots:
    void keyPressesFindTheirAction_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<UKeyAction>("action");
        QTest::addColumn<int>("amount");
        const int none = Qt::NoModifier;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << UKeyAction::PlayPause << 0;
        QTest::newRow("Left") << int(Qt::Key_Left) << none << UKeyAction::Seek << -5000;
        QTest::newRow("Right") << int(Qt::Key_Right) << none << UKeyAction::Seek << 5000;
        QTest::newRow("Shift+Left") << int(Qt::Key_Left) << int(Qt::ShiftModifier) << UKeyAction::Seek << -1000;
        QTest::newRow("Shift+Right") << int(Qt::Key_Right) << int(Qt::ShiftModifier) << UKeyAction::Seek << 1000;
        QTest::newRow("Ctrl+Left") << int(Qt::Key_Left) << int(Qt::ControlModifier) << UKeyAction::Seek << -60000;
        QTest::newRow("Ctrl+Right") << int(Qt::Key_Right) << int(Qt::ControlModifier) << UKeyAction::Seek << 60000;
        QTest::newRow("Alt+Left") << int(Qt::Key_Left) << int(Qt::AltModifier) << UKeyAction::GpsShift << -1;
        QTest::newRow("Alt+Right") << int(Qt::Key_Right) << int(Qt::AltModifier) << UKeyAction::GpsShift << 1;
        QTest::newRow("arrow on the keypad") << int(Qt::Key_Right) << int(Qt::KeypadModifier) << UKeyAction::Seek
                                             << 5000;
        QTest::newRow("Up") << int(Qt::Key_Up) << none << UKeyAction::Volume << 5;
        QTest::newRow("Down") << int(Qt::Key_Down) << none << UKeyAction::Volume << -5;
        QTest::newRow("M") << int(Qt::Key_M) << none << UKeyAction::Mute << 0;
        QTest::newRow("N") << int(Qt::Key_N) << none << UKeyAction::NextRecording << 0;
        QTest::newRow("P") << int(Qt::Key_P) << none << UKeyAction::PreviousRecording << 0;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << UKeyAction::PreviousPage << 0;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << UKeyAction::NextPage << 0;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << UKeyAction::PlaySelected << 0;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << UKeyAction::PlaySelected
                                      << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << none << UKeyAction::RemoveSelected << 0;
        QTest::newRow("F") << int(Qt::Key_F) << none << UKeyAction::VideoFullScreen << 0;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << none << UKeyAction::Escape << 0;
        QTest::newRow("Ctrl+O") << int(Qt::Key_O) << int(Qt::ControlModifier) << UKeyAction::ImportDialog << 0;
        QTest::newRow("[") << int(Qt::Key_BracketLeft) << none << UKeyAction::Rate << -1;
        QTest::newRow("]") << int(Qt::Key_BracketRight) << none << UKeyAction::Rate << 1;
        QTest::newRow(",") << int(Qt::Key_Comma) << none << UKeyAction::Frame << -1;
        QTest::newRow(".") << int(Qt::Key_Period) << none << UKeyAction::Frame << 1;
        QTest::newRow("S") << int(Qt::Key_S) << none << UKeyAction::Snapshot << 0;
        QTest::newRow("V") << int(Qt::Key_V) << none << UKeyAction::CameraLayout << 0;
        QTest::newRow("E") << int(Qt::Key_E) << none << UKeyAction::Event << 1;
        QTest::newRow("Shift+E") << int(Qt::Key_E) << int(Qt::ShiftModifier) << UKeyAction::Event << -1;
        QTest::newRow("Ctrl+Shift+E") << int(Qt::Key_E) << int(Qt::ControlModifier | Qt::ShiftModifier) << UKeyAction::EventsView << 0;
        QTest::newRow("F1") << int(Qt::Key_F1) << none << UKeyAction::Help << 0;
        QTest::newRow("? typed with Shift") << int(Qt::Key_Question) << int(Qt::ShiftModifier) << UKeyAction::Help
                                            << 0;
        QTest::newRow("? typed without Shift") << int(Qt::Key_Question) << none << UKeyAction::Help << 0;
        QTest::newRow("I") << int(Qt::Key_I) << none << UKeyAction::MarkIn << 0;
        QTest::newRow("O") << int(Qt::Key_O) << none << UKeyAction::MarkOut << 0;
        QTest::newRow("Shift+I") << int(Qt::Key_I) << int(Qt::ShiftModifier) << UKeyAction::ClearMarkIn << 0;
        QTest::newRow("Shift+O") << int(Qt::Key_O) << int(Qt::ShiftModifier) << UKeyAction::ClearMarkOut << 0;
        QTest::newRow("Ctrl+E") << int(Qt::Key_E) << int(Qt::ControlModifier) << UKeyAction::ExportClip << 0;
        QTest::newRow("] typed with Shift") << int(Qt::Key_BracketRight) << int(Qt::ShiftModifier)
                                           << UKeyAction::Rate << 1;
    }
    void keyPressesFindTheirAction()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(UKeyAction, action);
        QFETCH(int, amount);
        const std::optional<UKeyBinding> binding = UKeyBindings::Find(key, Qt::KeyboardModifiers(modifiers));
        QVERIFY(binding);
        QCOMPARE(binding->Action, action);
        QCOMPARE(binding->Amount, amount);
    }

    void otherKeysAreLeftAlone_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("a letter without a binding") << int(Qt::Key_Q) << int(Qt::NoModifier);
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier);
        QTest::newRow("Alt+E") << int(Qt::Key_E) << int(Qt::AltModifier);
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << int(Qt::ControlModifier);
        QTest::newRow("Shift+M") << int(Qt::Key_M) << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+Alt+Left") << int(Qt::Key_Left) << int(Qt::ControlModifier | Qt::AltModifier);
        QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
        QTest::newRow("Home") << int(Qt::Key_Home) << int(Qt::NoModifier);
        QTest::newRow("a modifier alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier);
    }
    void otherKeysAreLeftAlone()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QVERIFY(!UKeyBindings::Find(key, Qt::KeyboardModifiers(modifiers)));
    }

    void noKeyIsBoundTwice()
    {
        QSet<QString> seen;
        for (const UKeyBinding &binding : UKeyBindings::All()) {
            const QString key = QString::number(binding.Key) + "/" + QString::number(binding.Modifiers.toInt());
            QVERIFY2(!seen.contains(key), qPrintable(binding.KeyText));
            seen.insert(key);
            QVERIFY(!binding.KeyText.isEmpty());
            QVERIFY(!binding.HelpText.isEmpty());
        }
    }

    void helpJoinsKeysThatDoTheSame()
    {
        const QList<UKeyHelpLine> lines = UKeyBindings::HelpLines();
        const auto help = std::find_if(lines.begin(), lines.end(),
                                       [](const UKeyHelpLine &line) { return line.Keys.contains("F1"); });
        QVERIFY(help != lines.end());
        QCOMPARE(help->Keys, QStringLiteral("F1, ?"));
        QCOMPARE(lines.first().Keys, QStringLiteral("Space"));
        int keys = 0;
        for (const UKeyHelpLine &line : lines)
            keys += int(line.Keys.count(", ")) + 1;
        QCOMPARE(keys, int(UKeyBindings::All().size()));
    }

    // The README's key table is written by hand: every key of the program
    // must be in it, with the words the help shows.
    void readmeListsEveryKey()
    {
        QFile readme(QStringLiteral(VIALUMO_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        for (const UKeyHelpLine &line : UKeyBindings::HelpLines()) {
            const QString row = "| " + line.Keys + " | " + line.Text + " |";
            QVERIFY2(text.contains(row), qPrintable("README lacks the row " + row));
        }
    }
};

QTEST_APPLESS_MAIN(TestUKeyBindings)
#include "tst_ukeybindings.moc"
