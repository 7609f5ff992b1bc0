// Fuzz target for the PMTiles reader: the input, written to a file, is
// opened as a map (one message naming the file when it is no good) and every
// tile of the first zooms and a few deep ones is read; the input is also
// taken as one directory, which must survive being written and read again.
// Any break stops the run.

#include "fuzztarget.h"
#include "tilefuzz.h"
#include "tiles/upmtiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(Data), qsizetype(Size));
    tilefuzz::OpenAndRead(bytes, QStringLiteral("fuzz.pmtiles"));

    const std::optional<UPmTiles::Directory> directory = UPmTiles::Decode(bytes);
    if (directory) {
        const std::optional<UPmTiles::Directory> again = UPmTiles::Decode(UPmTiles::Encode(*directory));
        if (!again || again->size() != directory->size())
            tilefuzz::Finding("a directory does not survive being written again");
        for (qsizetype i = 0; again && i < again->size(); ++i) {
            const UPmTiles::Entry &a = directory->at(i);
            const UPmTiles::Entry &b = again->at(i);
            if (a.TileId != b.TileId || a.Offset != b.Offset || a.Length != b.Length || a.RunLength != b.RunLength)
                tilefuzz::Finding("a directory entry changed on the way");
            if (i > 0 && directory->at(i - 1).TileId >= a.TileId)
                tilefuzz::Finding("directory ids out of order");
        }
    }
    return 0;
}
