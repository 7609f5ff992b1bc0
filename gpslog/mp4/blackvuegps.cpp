#include "blackvuegps.h"

#include "gpslog/mp4/mp4boxes.h"

namespace {

constexpr char LineEnd = '\n';

} // namespace

QByteArray BlackVueGps::NmeaText(const Mp4Boxes &Boxes)
{
    const Mp4Box root = Boxes.Root();
    for (const Mp4Box &box : Boxes.Children(root)) {
        if (box.Type != Mp4Boxes::FourCc("free"))
            continue;
        const std::optional<Mp4Box> gps = Boxes.Find(box, "gps ");
        if (!gps)
            continue;
        QByteArray text = Boxes.ReadPayload(*gps, MaxTextBytes);
        if (gps->PayloadSize() > MaxTextBytes)
            text.truncate(text.lastIndexOf(LineEnd) + 1);
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == '\0')
            --end;
        text.truncate(end);
        if (!text.isEmpty())
            return text;
    }
    return {};
}
