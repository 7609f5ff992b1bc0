#include "utileschemehandler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "tiles/utilescheme.h"
#include "tiles/utileservice.h"

UTileSchemeHandler::UTileSchemeHandler(UTileService *Service, QObject *Parent)
    : QWebEngineUrlSchemeHandler(Parent)
    , Service(Service)
{
}

void UTileSchemeHandler::RegisterScheme()
{
    const QByteArray name = UTileScheme::Name().toLatin1();
    if (QWebEngineUrlScheme::schemeByName(name).name() == name)
        return;
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setDefaultPort(QWebEngineUrlScheme::PortUnspecified);
    // Secure, so that a page of any origin may show its pictures without a
    // mixed-content warning.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void UTileSchemeHandler::requestStarted(QWebEngineUrlRequestJob *Job)
{
    const std::optional<UTileId> tile = UTileScheme::Parse(Job->requestUrl());
    if (!tile || Job->requestMethod() != QByteArrayLiteral("GET")) {
        Job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    // The job is the receiver: once the page drops the request, the job is
    // gone and no answer is sent to it.
    Service->Request(*tile, Job, [Job](const UTileAnswer &Answer) {
        if (Answer.Data.isEmpty()) {
            Job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto *body = new QBuffer(Job);
        body->setData(Answer.Data);
        Job->reply(Answer.Mime, body);
    });
}
