// The player's side of showing a day's route: the text of the showroute call
// for a 24-hour track (86,400 fixes, one a second), as the window builds it
// when the recording starts on the online map. Baseline in the same run: the
// same points as a QJsonArray written by QJsonDocument (compact), the
// library's way to the same JSON.

#include "benchsupport.h"

#include "console/umapscript.h"
#include "gpslog/gpstrack.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

using namespace benchsupport;

namespace {

constexpr int DaySeconds = 86400;
constexpr int Runs = 15;

// A day's drive wandering around Shenzhen Bay, a fix every second but for
// one second in fifty.
GpsTrack DayTrack()
{
    GpsTrack track;
    const QDateTime start(QDate(2026, 11, 28), QTime(0, 0), Qt::UTC);
    for (int second = 0; second < DaySeconds; ++second) {
        GpsFix fix;
        fix.Valid = second % 50 != 49;
        fix.Utc = start.addSecs(second);
        fix.Latitude = 22.5353900 + 0.05 * std::sin(second / 3000.0);
        fix.Longitude = 113.9428000 + 0.05 * std::cos(second / 2100.0);
        fix.SpeedKmh = 60.0 + 55.0 * std::sin(second / 97.0);
        track.Append(fix);
    }
    return track;
}

QString JsonDocumentCall(const GpsTrack &track)
{
    QJsonArray points;
    for (qsizetype second = 0; second < track.Size(); ++second) {
        const GpsFix &fix = track.At(second);
        if (UMapScript::IsRoutePoint(fix))
            points.append(QJsonArray{qint64(second), fix.Latitude, fix.Longitude, fix.SpeedKmh});
    }
    return QStringLiteral("typeof showroute === \"function\" && showroute(")
        + QString::fromUtf8(QJsonDocument(points).toJson(QJsonDocument::Compact)) + QLatin1Char(')');
}

} // namespace

int main()
{
    const GpsTrack track = DayTrack();
    qsizetype length = 0;
    const double oursMs = MedianMs(Runs, [&] { length = UMapScript::ShowRouteCall(track).size(); });
    qsizetype jsonLength = 0;
    const double jsonMs = MedianMs(Runs, [&] { jsonLength = JsonDocumentCall(track).size(); });
    if (length < DaySeconds * 30) {
        std::fprintf(stderr, "bench_maproute: the route's text is too short (%lld characters)\n",
                     static_cast<long long>(length));
        return 1;
    }
    std::printf("bench_maproute: the showroute call for a 24-hour track (%d fixes): %.1f ms, %.1f MB of text"
                " (median of %d); the same points through QJsonArray and QJsonDocument %.1f ms, %.1f MB\n",
                DaySeconds - DaySeconds / 50, oursMs, double(length) / 1e6, Runs, jsonMs, double(jsonLength) / 1e6);
    return 0;
}
