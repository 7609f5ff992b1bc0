#include "umapscript.h"

#include "gpslog/gpslogdata.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <cmath>
#include <string>

namespace {

const QString SetLocationText = QStringLiteral("SetLocation(22.40,113.40)");
const QString SetStartName = QStringLiteral("setstart(");
const QString SetPositionName = QStringLiteral("setposition(");
const QString IsOnlineText = QStringLiteral(
    "(function () {"
    " var element = document.querySelector('#isonline');"
    " if (!element) return false;"
    " return Boolean((function () { return this.checked; }).call(element));"
    "})()");
const QString ShowRouteName = QStringLiteral("showroute");
const QString ShowPreviousRouteName = QStringLiteral("showpreviousroute");
const QString SetClockName = QStringLiteral("setclock");
const QString SetUnitsName = QStringLiteral("setunits");
const QString SetTilesName = QStringLiteral("settiles");
const QString SetMarksName = QStringLiteral("setmarks");

// Decimals of the route's numbers: 1e-7 degrees is about a centimetre, far
// finer than any receiver; speeds to a hundredth of a km/h, as the log gives them.
constexpr int DegreeDecimals = 7;
constexpr int SpeedDecimals = 2;
// Room for the longest entry, ",[<19 digits>,-90.0000000,-180.0000000,<16 characters>]":
// a speed beyond FastestWrittenSpeed would not fit and is written as 0, as
// an unknown (negative, NaN) one is.
constexpr int EntryRoom = 96;
constexpr double FastestWrittenSpeed = 1e12;

// "typeof name === "function" && name(": a page without the function ignores the call.
QString GuardedOpening(const QString &Name)
{
    return QStringLiteral("typeof ") + Name + QStringLiteral(" === \"function\" && ") + Name + QLatin1Char('(');
}

// Text as a JavaScript string literal: JSON's quoting, which escapes quotes,
// backslashes and control characters, so that no text ends the call early.
QString JsString(const QString &Text)
{
    const QByteArray json = QJsonDocument(QJsonArray{Text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

char *WriteFixed(char *At, char *End, double Value, int Decimals)
{
    return std::to_chars(At, End, Value, std::chars_format::fixed, Decimals).ptr;
}

// The points as a JSON array of arrays of numbers, written straight into
// 8-bit text: a day's track has 86,400 of them.
QString RouteCall(const QString &Name, const GpsTrack &Track)
{
    const GpsFixList &fixes = Track.Fixes();
    std::string points;
    points.reserve(size_t(fixes.size()) * 40 + 2);
    points += '[';
    char entry[EntryRoom];
    char *const end = entry + EntryRoom;
    bool first = true;
    for (qsizetype second = 0; second < fixes.size(); ++second) {
        const GpsFix &fix = fixes.at(second);
        if (!UMapScript::IsRoutePoint(fix))
            continue;
        const double speed = fix.SpeedKmh >= 0.0 && fix.SpeedKmh <= FastestWrittenSpeed ? fix.SpeedKmh : 0.0;
        char *at = entry;
        if (!first)
            *at++ = ',';
        first = false;
        *at++ = '[';
        at = std::to_chars(at, end, qint64(second)).ptr;
        *at++ = ',';
        at = WriteFixed(at, end, fix.Latitude, DegreeDecimals);
        *at++ = ',';
        at = WriteFixed(at, end, fix.Longitude, DegreeDecimals);
        *at++ = ',';
        at = WriteFixed(at, end, speed, SpeedDecimals);
        *at++ = ']';
        points.append(entry, size_t(at - entry));
    }
    points += ']';
    return GuardedOpening(Name) + QLatin1String(points.data(), qsizetype(points.size())) + QLatin1Char(')');
}

// "name(LAT,LON)" with the hemisphere as the sign; the texts go as the log
// reader made them, so the page receives two numbers. Any hemisphere text but
// "S" and "W" counts as north and east.
QString PointCall(const QString &Name, const GpsRecord &Record)
{
    QString call = Name;
    if (Record.SouthOrNorth == QLatin1String("S"))
        call += QLatin1Char('-');
    call += Record.Latitude;
    call += QLatin1Char(',');
    if (Record.EastOrWest == QLatin1String("W"))
        call += QLatin1Char('-');
    call += Record.Longitude;
    call += QLatin1Char(')');
    return call;
}

} // namespace

QString UMapScript::SetLocationCall()
{
    return SetLocationText;
}

QString UMapScript::SetStartCall(const GpsRecord &First)
{
    return PointCall(SetStartName, First);
}

QString UMapScript::SetPositionCall(const GpsRecord &Current)
{
    return PointCall(SetPositionName, Current);
}

QString UMapScript::IsOnlineQuery()
{
    return IsOnlineText;
}

QString UMapScript::ShowRouteCall(const GpsTrack &Track)
{
    return RouteCall(ShowRouteName, Track);
}

QString UMapScript::ShowPreviousRouteCall(const GpsTrack &Track)
{
    return RouteCall(ShowPreviousRouteName, Track);
}

QString UMapScript::SetClockCall(qint64 Milliseconds, bool Playing)
{
    return GuardedOpening(SetClockName) + QString::number(Milliseconds) + QLatin1Char(',')
        + (Playing ? QLatin1String("true") : QLatin1String("false")) + QLatin1Char(')');
}

QString UMapScript::SetUnitsCall(const QString &UnitKey)
{
    return GuardedOpening(SetUnitsName) + JsString(UnitKey) + QLatin1Char(')');
}

QString UMapScript::SetTilesCall(const QString &Template)
{
    return GuardedOpening(SetTilesName) + JsString(Template) + QLatin1Char(')');
}

QString UMapScript::SetMarksCall(qint64 InMs, qint64 OutMs)
{
    return GuardedOpening(SetMarksName) + QString::number(InMs < 0 ? -1 : InMs) + QLatin1Char(',')
        + QString::number(OutMs < 0 ? -1 : OutMs) + QLatin1Char(')');
}

bool UMapScript::IsRoutePoint(const GpsFix &Fix)
{
    return Fix.Valid && std::isfinite(Fix.Latitude) && std::isfinite(Fix.Longitude) && std::abs(Fix.Latitude) <= 90.0
        && std::abs(Fix.Longitude) <= 180.0;
}
