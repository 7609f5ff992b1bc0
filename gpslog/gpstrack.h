#ifndef GPSTRACK_H
#define GPSTRACK_H

#include "gpslog/gpsfix.h"

#include <QList>
#include <QString>
#include <QStringView>

// The texts shown with a fix: date, time and the two hemisphere letters.
struct GpsFixTexts
{
    QString Date;
    QString Time;
    QString SouthOrNorth;
    QString EastOrWest;

    // How a fix's texts are written where its source gave none: date and
    // time in UTC as ddMMyy and hhmmss (empty without a time), "N" or "S"
    // and "E" or "W" from the signs (empty without a coordinate).
    static constexpr QStringView DateFormat{u"ddMMyy"};
    static constexpr QStringView TimeFormat{u"hhmmss"};
    static constexpr QStringView North{u"N"};
    static constexpr QStringView South{u"S"};
    static constexpr QStringView East{u"E"};
    static constexpr QStringView West{u"W"};

    static GpsFixTexts Of(const GpsFix &Fix);
};

// The fixes read from one or more GPS files, in order. Most fixes carry
// nothing but numbers and their texts are written from them; a source whose
// texts say more than its numbers (a recorder's log with a date it wrote in
// its own way, a hemisphere " N") keeps them beside the fix.
class GpsTrack
{
public:
    qsizetype Size() const { return FixList.size(); }
    bool IsEmpty() const { return FixList.isEmpty(); }
    const GpsFix &At(qsizetype Index) const { return FixList.at(Index); }
    const GpsFixList &Fixes() const { return FixList; }
    // The kept texts of fix Index, or those written from its numbers.
    GpsFixTexts TextsAt(qsizetype Index) const;

    void Append(const GpsFix &Fix);
    void Append(const GpsFix &Fix, GpsFixTexts Texts);
    // Empties the track and gives its memory back.
    void Clear();
    // Gives back the room that appending left beyond the last fix.
    void Squeeze();

private:
    struct KeptTexts
    {
        qsizetype Index;
        GpsFixTexts Texts;
    };

    GpsFixList FixList;
    // In the order of the fixes, so found by halving.
    QList<KeptTexts> Kept;
};

#endif // GPSTRACK_H
