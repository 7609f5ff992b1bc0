#include "nextbaseaccel.h"

#include "gpslog/mp4/nextbasegps.h"
#include "gpslog/mp4/subtitlegps.h"

#include <algorithm>

RawAccelList NextbaseAccel::Read(const QString &, const Mp4Boxes *Boxes) const
{
    if (!Boxes)
        return {};
    QList<RawAccelList> tracks;
    SubtitleGps::ForEachCue(*Boxes, [&tracks](int Track, const SubtitleCue &Cue) {
        if (Track < 0)
            return;
        if (tracks.size() <= Track)
            tracks.resize(Track + 1);
        if (tracks[Track].size() >= MaxReadings)
            return;
        // The sentences are not read: the reading needs only the record.
        if (const std::optional<NextbaseRecord> record = NextbaseGps::Decode(Cue.Bytes)) {
            const auto &[x, y, z] = record->Acceleration;
            tracks[Track].append({Cue.StartMs, x, y, z});
        }
    });
    const auto most = std::max_element(tracks.cbegin(), tracks.cend(), [](const RawAccelList &A, const RawAccelList &B) {
        return A.size() < B.size();
    });
    return most == tracks.cend() ? RawAccelList() : *most;
}
