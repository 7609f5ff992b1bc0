// page-shot: loads a local HTML page in a QWebEngineView set up like the
// player's map view, runs JavaScript snippets in it, prints their results and
// saves a screenshot of the view.
//
//   page-shot [--size WxH] [--eval JS]... [--settle MS] [--timeout MS] PAGE OUT.png
//
// Exit status: 0 page loaded and picture saved, 1 load failed or timed out,
// 2 bad arguments or picture not written.

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstdio>

#include "shotpage.h"

namespace {

const QString DefaultSize = QStringLiteral("300x360");
const QString UserAgent = QStringLiteral("Vialumo/1.0.0");
const int DefaultSettleMs = 500;
const int DefaultTimeoutMs = 60000;
const int EvalTimeoutMs = 5000;

// Spins the event loop until done() holds or the time is up.
template <typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString describe(const QVariant &value)
{
    if (!value.isValid())
        return QStringLiteral("undefined");
    const int type = value.typeId();
    if (type == QMetaType::QVariantList || type == QMetaType::QVariantMap)
        return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
    return value.toString();
}

bool parseSize(const QString &text, QSize *size)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    const int w = parts.at(0).toInt(&okW);
    const int h = parts.at(1).toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0)
        return false;
    *size = QSize(w, h);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // QtWebEngine wants shared GL contexts before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Screenshot of a local page as the player's map view shows it."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"), QStringLiteral("View size WxH."),
                                        QStringLiteral("WxH"), DefaultSize);
    const QCommandLineOption evalOption(QStringLiteral("eval"),
                                        QStringLiteral("JavaScript run after the load, in order; result printed."),
                                        QStringLiteral("js"));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
                                          QStringLiteral("Milliseconds to wait before the picture."),
                                          QStringLiteral("ms"), QString::number(DefaultSettleMs));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Milliseconds to wait for the load."),
                                           QStringLiteral("ms"), QString::number(DefaultTimeoutMs));
    parser.addOptions({sizeOption, evalOption, settleOption, timeoutOption});
    parser.addPositionalArgument(QStringLiteral("page"), QStringLiteral("Local HTML file."));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    QSize size;
    bool settleOk = false, timeoutOk = false;
    const int settleMs = parser.value(settleOption).toInt(&settleOk);
    const int timeoutMs = parser.value(timeoutOption).toInt(&timeoutOk);
    if (args.size() != 2 || !parseSize(parser.value(sizeOption), &size) || !settleOk || settleMs < 0
        || !timeoutOk || timeoutMs <= 0) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }
    const QFileInfo page(args.at(0));
    if (!page.isFile()) {
        std::fprintf(stderr, "page-shot: no such file: %s\n", qPrintable(args.at(0)));
        return 2;
    }

    QWebEngineView view;
    view.setPage(new ShotPage(&view));
    // As in the player: a local page may reach the tile server, under its own name.
    view.settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    view.page()->profile()->setHttpUserAgent(UserAgent);
    view.resize(size);
    view.show();

    bool loaded = false, loadOk = false;
    QObject::connect(view.page(), &QWebEnginePage::loadFinished, &view, [&](bool ok) {
        if (!loaded) {
            loaded = true;
            loadOk = ok;
        }
    });
    QElapsedTimer clock;
    clock.start();
    view.load(QUrl::fromLocalFile(page.absoluteFilePath()));
    if (!waitFor([&] { return loaded; }, timeoutMs)) {
        std::printf("load: no report within %d ms\n", timeoutMs);
        return 1;
    }
    std::printf("load: ok=%s after %lld ms\n", loadOk ? "true" : "false", static_cast<long long>(clock.elapsed()));
    std::fflush(stdout);

    for (const QString &js : parser.values(evalOption)) {
        QVariant result;
        bool done = false;
        view.page()->runJavaScript(js, [&](const QVariant &value) {
            result = value;
            done = true;
        });
        if (!waitFor([&] { return done; }, EvalTimeoutMs))
            std::printf("js> %s\n    (no result within %d ms)\n", qPrintable(js), EvalTimeoutMs);
        else
            std::printf("js> %s\n    %s\n", qPrintable(js), qPrintable(describe(result)));
        std::fflush(stdout);
    }

    pause(settleMs);
    if (!view.grab().save(args.at(1), "PNG")) {
        std::fprintf(stderr, "page-shot: could not write %s\n", qPrintable(args.at(1)));
        return 2;
    }
    return loadOk ? 0 : 1;
}
