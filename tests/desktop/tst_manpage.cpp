// The man page the build makes, read as a user reads it (`man -l`): every
// line of the key table and every option of the program's own --help is in
// it, in its section, and man finds nothing to warn about.

#include "console/ukeybindings.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Run
{
    int ExitCode = -1;
    QString Out;
    QString Err;
};

Run Start(const QString &Program, const QStringList &Arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // Wide lines, so that no option or key text is broken across two.
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(Program, Arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The page as text: man with its warnings on, no pager.
Run RenderedPage()
{
    return Start(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), QStringLiteral("-P"),
                                         QStringLiteral("cat"), QStringLiteral(VIALUMO_MANPAGE)});
}

// The text of one section (between its heading and the next), with every run
// of white space made one space.
QString Section(const QString &Page, const QString &Heading)
{
    const QStringList lines = Page.split(QLatin1Char('\n'));
    QString text;
    bool inside = false;
    for (const QString &line : lines) {
        const bool heading = !line.isEmpty() && !line.front().isSpace();
        if (heading && inside)
            break;
        if (heading && line.trimmed() == Heading)
            inside = true;
        else if (inside)
            text += line + QLatin1Char(' ');
    }
    return text.simplified();
}

} // namespace

class TestManPage : public QObject
{
    Q_OBJECT

private:
    QString Page;

private slots:
    void initTestCase()
    {
        const Run man = RenderedPage();
        QCOMPARE(man.ExitCode, 0);
        QVERIFY2(man.Err.isEmpty(), qPrintable(man.Err));
        Page = man.Out;
        QVERIFY(!Page.isEmpty());
    }

    // Each line of the key help: the keys, then what they do, in the table's order.
    void keysFromTheKeyTable_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("previous");
        QString previous;
        for (const UKeyHelpLine &line : UKeyBindings::HelpLines()) {
            const QString entry = line.Keys + QLatin1Char(' ') + line.Text;
            QTest::newRow(qPrintable(line.Keys)) << line.Keys << line.Text << previous;
            previous = entry;
        }
    }
    void keysFromTheKeyTable()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QString, previous);
        const QString section = Section(Page, QStringLiteral("KEYS"));
        const QString entry = keys + QLatin1Char(' ') + text;
        const qsizetype at = section.indexOf(entry);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("'%1' not in KEYS: %2").arg(entry, section)));
        if (!previous.isEmpty())
            QVERIFY2(section.indexOf(previous) < at, qPrintable(entry + QStringLiteral(" comes before ") + previous));
    }

    // Every option the program's --help lists, with its value's name.
    void optionsFromHelp_data()
    {
        QTest::addColumn<QString>("option");
        const Run help = Start(QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo"), {QStringLiteral("--help")});
        QCOMPARE(help.ExitCode, 0);
        // "  -v, --version   Displays ..." and "  --export-gpx <FILE>  Write ...".
        static const QRegularExpression optionLine(QStringLiteral("^  (-.*?)(?:\\s{2,}|$)"));
        int options = 0;
        for (const QString &line : help.Out.split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch match = optionLine.match(line);
            if (match.hasMatch()) {
                QTest::newRow(qPrintable(match.captured(1))) << match.captured(1);
                ++options;
            }
        }
        QVERIFY(options >= 4);
    }
    void optionsFromHelp()
    {
        QFETCH(QString, option);
        const QString section = Section(Page, QStringLiteral("OPTIONS"));
        QVERIFY2(section.contains(option), qPrintable(QStringLiteral("'%1' not in OPTIONS: %2").arg(option, section)));
    }

    // The sections --help does not carry, each with what it must name.
    void ownSections_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("names");
        QTest::newRow("name") << QStringLiteral("NAME") << QStringLiteral("vialumo - ");
        QTest::newRow("synopsis") << QStringLiteral("SYNOPSIS") << QStringLiteral("vialumo [options] [PATH...]");
        QTest::newRow("exit 0") << QStringLiteral("EXIT STATUS") << QStringLiteral("0 The window was closed");
        QTest::newRow("exit 2") << QStringLiteral("EXIT STATUS") << QStringLiteral("2 A command could not");
        QTest::newRow("settings") << QStringLiteral("FILES") << QStringLiteral("~/.config/Vialumo/Vialumo.conf");
        QTest::newRow("snapshots") << QStringLiteral("FILES") << QStringLiteral("~/Pictures/Vialumo/");
        QTest::newRow("tile cache") << QStringLiteral("FILES") << QStringLiteral("XDG_CACHE_HOME");
        QTest::newRow("start folder") << QStringLiteral("ENVIRONMENT") << QStringLiteral("VIALUMO_START_DIR");
    }
    void ownSections()
    {
        QFETCH(QString, heading);
        QFETCH(QString, names);
        const QString section = Section(Page, heading);
        QVERIFY2(section.contains(names), qPrintable(heading + QStringLiteral(": ") + section));
    }

    // The header names the version the program reports.
    void versionInHeader()
    {
        const Run version = Start(QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo"), {QStringLiteral("--version")});
        QCOMPARE(version.ExitCode, 0);
        const QString footer = Page.trimmed().split(QLatin1Char('\n')).constLast();
        QVERIFY2(footer.startsWith(version.Out.trimmed()), qPrintable(footer));
    }

    // What `apropos` and `whatis` index.
    void whatisLine()
    {
        const Run lexgrog = Start(QStringLiteral("lexgrog"), {QStringLiteral(VIALUMO_MANPAGE)});
        QCOMPARE(lexgrog.ExitCode, 0);
        QVERIFY2(lexgrog.Out.contains(QStringLiteral("\"vialumo - play car recorder videos")), qPrintable(lexgrog.Out));
    }
};

QTEST_GUILESS_MAIN(TestManPage)
#include "tst_manpage.moc"
