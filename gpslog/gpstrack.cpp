#include "gpstrack.h"

#include <QtNumeric>

#include <algorithm>
#include <cmath>

namespace {

QString HemisphereOf(double Value, QStringView Positive, QStringView Negative)
{
    if (qIsNaN(Value))
        return QString();
    return (std::signbit(Value) ? Negative : Positive).toString();
}

// Lines of a log share their date and hemispheres: a text equal to the one
// kept before shares its string.
void ShareWithPrevious(QString &Text, const QString &Previous)
{
    if (Text == Previous)
        Text = Previous;
}

} // namespace

GpsFixTexts GpsFixTexts::Of(const GpsFix &Fix)
{
    GpsFixTexts texts;
    if (Fix.Utc.isValid()) {
        const QDateTime utc = Fix.Utc.toUTC();
        texts.Date = utc.date().toString(DateFormat);
        texts.Time = utc.time().toString(TimeFormat);
    }
    texts.SouthOrNorth = HemisphereOf(Fix.Latitude, North, South);
    texts.EastOrWest = HemisphereOf(Fix.Longitude, East, West);
    return texts;
}

GpsFixTexts GpsTrack::TextsAt(qsizetype Index) const
{
    const auto kept = std::lower_bound(Kept.cbegin(), Kept.cend(), Index,
                                       [](const KeptTexts &k, qsizetype i) { return k.Index < i; });
    if (kept != Kept.cend() && kept->Index == Index)
        return kept->Texts;
    return GpsFixTexts::Of(FixList.at(Index));
}

void GpsTrack::Append(const GpsFix &Fix)
{
    FixList.append(Fix);
}

void GpsTrack::Append(const GpsFix &Fix, GpsFixTexts Texts)
{
    if (!Kept.isEmpty()) {
        const GpsFixTexts &previous = Kept.constLast().Texts;
        ShareWithPrevious(Texts.Date, previous.Date);
        ShareWithPrevious(Texts.Time, previous.Time);
        ShareWithPrevious(Texts.SouthOrNorth, previous.SouthOrNorth);
        ShareWithPrevious(Texts.EastOrWest, previous.EastOrWest);
    }
    Kept.append({FixList.size(), std::move(Texts)});
    FixList.append(Fix);
}

// QList::clear() keeps the room of an unshared list for what comes next: a
// day's track would hold its megabytes for as long as the player runs.
void GpsTrack::Clear()
{
    FixList = GpsFixList();
    Kept = QList<KeptTexts>();
}

void GpsTrack::Squeeze()
{
    FixList.squeeze();
    Kept.squeeze();
}
