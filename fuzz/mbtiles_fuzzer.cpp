// Fuzz target for the MBTiles reader: the input, written to a file, is
// opened as a map through Qt SQL (one message naming the file when it is no
// good) and every tile of the first zooms and a few deep ones is read. Any
// break stops the run.

#include "fuzztarget.h"
#include "tilefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    tilefuzz::OpenAndRead(QByteArray(reinterpret_cast<const char *>(Data), qsizetype(Size)),
                          QStringLiteral("fuzz.mbtiles"));
    return 0;
}
