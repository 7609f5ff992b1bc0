#include "umapscript.h"

#include "gpslog/gpslogdata.h"

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
