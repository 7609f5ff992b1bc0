#include "ueventscript.h"

#include "console/ueventrows.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {

// Hundredths of a g and a ten-thousandth of a degree (about 10 m) are finer
// than a mark on the screen.
constexpr double GScale = 100.0;
constexpr double DegreeScale = 1e6;

double Rounded(double Value, double Scale)
{
    return std::isfinite(Value) ? std::round(Value * Scale) / Scale : 0.0;
}

QString Guarded(const char *Name, const QJsonArray &Argument)
{
    const QString name = QString::fromLatin1(Name);
    return QStringLiteral("typeof ") + name + QStringLiteral(" === \"function\" && ") + name + QLatin1Char('(')
        + QString::fromUtf8(QJsonDocument(Argument).toJson(QJsonDocument::Compact)) + QLatin1Char(')');
}

} // namespace

QString UEventScript::HoverText(const UEvent &Event)
{
    QString text = UEventRows::KindText(Event.Kind);
    const QString strength = UEventRows::StrengthText(Event);
    if (!strength.isEmpty())
        text += (Event.Kind == UEventKind::Recorder ? QStringLiteral(": ") : QStringLiteral(" ")) + strength;
    return text + QStringLiteral(" at ") + UEventRows::TimeText(Event.TimeMs);
}

QString UEventScript::ShowEventsCall(const UEventList &Events)
{
    QJsonArray events;
    for (const UEvent &event : Events) {
        events.append(QJsonArray{double(event.TimeMs), EventKindName(event.Kind), Rounded(event.Strength, GScale),
                                 HoverText(event)});
    }
    return Guarded("showevents", events);
}

QString UEventScript::ShowAccelCall(const QList<UAccelPoint> &Points)
{
    QJsonArray points;
    for (const UAccelPoint &point : Points) {
        points.append(QJsonArray{double(point.OffsetMs), Rounded(point.Longitudinal, GScale),
                                 Rounded(point.Lateral, GScale), Rounded(point.Vertical, GScale)});
    }
    return Guarded("showaccel", points);
}

QString UEventScript::ShowTripCall(const QList<std::pair<int, std::shared_ptr<const URecordingEvents>>> &Parts)
{
    QJsonArray trip;
    for (const auto &[index, recording] : Parts) {
        if (!recording)
            continue;
        QJsonArray route;
        for (const URoutePoint &point : recording->Route) {
            route.append(QJsonArray{point.Second, Rounded(point.Latitude, DegreeScale),
                                    Rounded(point.Longitude, DegreeScale), Rounded(point.SpeedKmh, 10.0)});
        }
        trip.append(QJsonArray{index, route});
    }
    return Guarded("showtrip", trip);
}
