#include <QtTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Collects what the page writes to its console: errors show up there.
class ConsolePage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList Errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &) override
    {
        if (level == ErrorMessageLevel)
            Errors << QStringLiteral("%1 (line %2)").arg(message).arg(line);
    }
};

QVariant Evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        qWarning() << "no answer from the page to" << script;
    return result;
}

QString ImagesDir()
{
    return QStringLiteral(VIALUMO_DEPLOY_DIR "/images/");
}

} // namespace

class TestMapPages : public QObject
{
    Q_OBJECT
public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void everyPageLoadsWithoutErrors_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *page : {"startupp.html", "googlearth.html", "no_gps_file.html", "no_gps_info.html",
                                 "no_connection.html"})
            QTest::newRow(page) << QString::fromLatin1(page);
    }
    void everyPageLoadsWithoutErrors()
    {
        QFETCH(QString, page);
        QWebEngineView view;
        auto *console = new ConsolePage(&view);
        console->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        view.setPage(console);
        view.resize(300, 360);
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.setUrl(QUrl::fromLocalFile(ImagesDir() + page));
        // With no network the online map's probe fails; the page still loads.
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), true);
        // Every page receives the play/pause call; it must never raise.
        Evaluate(console, QStringLiteral("SetLocation(22.40,113.40)"));
        QTest::qWait(100);
        QVERIFY2(console->Errors.isEmpty(), qPrintable(console->Errors.join(QLatin1Char('\n'))));
        // Nothing but local files: a page must not pull scripts or styles from afar.
        QFile source(ImagesDir() + page);
        QVERIFY(source.open(QFile::ReadOnly));
        const QString html = QString::fromUtf8(source.readAll());
        QVERIFY(!html.contains(QRegularExpression(QStringLiteral("<(script|link)[^>]+(src|href)=\"https?:"))));
    }

    void onlineMapOfflineAndItsFunctions()
    {
        QWebEngineView view;
        auto *console = new ConsolePage(&view);
        console->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        view.setPage(console);
        view.resize(300, 360);
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.setUrl(QUrl::fromLocalFile(ImagesDir() + QStringLiteral("googlearth.html")));
        QVERIFY(loaded.wait(30000));

        // The tile server cannot be reached here: the box stays unticked once
        // the page has loaded.
        QCOMPARE(Evaluate(console, QStringLiteral("document.querySelector('#isonline').checked")).toBool(), false);
        for (const char *name : {"setstart", "setposition", "SetLocation"})
            QCOMPARE(Evaluate(console, QStringLiteral("typeof %1").arg(QLatin1String(name))).toString(),
                     QStringLiteral("function"));
        // The calls the player makes, southern and western ones included.
        for (const char *call : {"setstart(22.53539,113.94280)", "setposition(22.53540,113.94290)",
                                 "setposition(-34.60372,-58.38159)", "setstart(0.5376543,8.5000000)",
                                 "SetLocation(22.40,113.40)"})
            Evaluate(console, QString::fromLatin1(call));
        QTest::qWait(200);
        QVERIFY2(console->Errors.isEmpty(), qPrintable(console->Errors.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestMapPages)
#include "tst_map_pages.moc"
