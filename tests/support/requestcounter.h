#ifndef REQUESTCOUNTER_H
#define REQUESTCOUNTER_H

// Records every request a web page makes, to show that a page asks nothing
// of the network: installed on the page's profile, it lets each request
// through and keeps its URL.
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestInfo>

class RequestCounter : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        QMutexLocker lock(&Mutex);
        Urls << info.requestUrl();
    }

    // The requests to anything but this computer: file:, qrc:, data: and
    // the schemes given (the program's own).
    QStringList Outside(const QStringList &ownSchemes = {}) const
    {
        QMutexLocker lock(&Mutex);
        QStringList outside;
        for (const QUrl &url : Urls) {
            const QString scheme = url.scheme().toLower();
            if (scheme != QLatin1String("file") && scheme != QLatin1String("qrc") && scheme != QLatin1String("data")
                && !ownSchemes.contains(scheme))
                outside << url.toString();
        }
        return outside;
    }

    int Count() const
    {
        QMutexLocker lock(&Mutex);
        return int(Urls.size());
    }

    void Clear()
    {
        QMutexLocker lock(&Mutex);
        Urls.clear();
    }

private:
    mutable QMutex Mutex;
    QList<QUrl> Urls;
};

#endif // REQUESTCOUNTER_H
