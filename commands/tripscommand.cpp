#include "tripscommand.h"

#include "commands/recordingscommandinput.h"
#include "console/utrips.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QCommandLineOption Option(QStringLiteral("trips"),
                                QStringLiteral("Print the trips of the videos in PATH... (files or folders) as "
                                               "one JSON object a line: files, start, end, distance_m, "
                                               "top_speed_kmh, without opening a window."));

QJsonValue TimeValue(const QDateTime &Time)
{
    if (!Time.isValid())
        return QJsonValue::Null;
    return Time.toUTC().toString(Qt::ISODateWithMs);
}

double Tenths(double Value)
{
    return std::round(Value * 10.0) / 10.0;
}

int Main(const UCommandRun &Run)
{
    const std::optional<RecordingsCommandInput> input = RecordingsCommandInput::Read(Run);
    if (!input)
        return UCommandExit::Failed;
    QString text;
    for (const UTrip &trip : UTrips::Build(input->Recordings)) {
        QJsonArray files;
        for (const int index : trip.Recordings)
            files.append(input->Recordings.at(index).Events->VideoPath);
        const QJsonObject object{
            {QStringLiteral("files"), files},
            {QStringLiteral("start"), TimeValue(trip.Start)},
            {QStringLiteral("end"), TimeValue(trip.End)},
            {QStringLiteral("distance_m"), Tenths(trip.DistanceMetres)},
            {QStringLiteral("top_speed_kmh"), Tenths(trip.TopSpeedKmh)},
        };
        text += QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
    }
    Run.Print(text);
    return UCommandExit::Done;
}

} // namespace

UCommand TripsCommand()
{
    return {Option, {}, Main};
}
