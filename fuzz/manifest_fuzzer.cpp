// Fuzz target for the reader of a clip's manifest.json (`vialumo --verify`):
// whatever the bytes, every file it lets through has a plain name of the
// folder itself (no path, no ".."), a size and a SHA-256, no name twice; and
// a listing written back as a manifest reads back the same. Any break stops
// the run.

#include "export/uclipmanifest.h"
#include "fuzztarget.h"

#include <QSet>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Finding(const char *What)
{
    std::fprintf(stderr, "finding: %s\n", What);
    std::abort();
}

bool IsLowerHex(const QString &Text)
{
    for (const QChar c : Text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const UClipManifest::Listing listing = UClipManifest::Read(bytes);
    if (listing.Readable != listing.Error.isEmpty())
        Finding("a verdict without its reason, or a reason without a verdict");
    if (!listing.Readable) {
        if (!listing.Files.isEmpty())
            Finding("files from an unreadable manifest");
        return 0;
    }
    if (listing.Files.size() > UClipManifest::MaxFiles)
        Finding("more files than a manifest may name");
    QSet<QString> names;
    for (const UClipFileEntry &file : listing.Files) {
        if (file.Name.isEmpty() || file.Name == QLatin1String(".") || file.Name == QLatin1String("..")
            || file.Name.contains(QLatin1Char('/')) || file.Name.contains(QChar(0)))
            Finding("a name that reaches out of the folder");
        if (names.contains(file.Name))
            Finding("a name given twice");
        names.insert(file.Name);
        if (file.Size < 0)
            Finding("a negative size");
        if (file.Sha256.size() != 64 || !IsLowerHex(file.Sha256))
            Finding("a hash that is no SHA-256");
    }

    UClipManifestData data;
    data.Files = listing.Files;
    const UClipManifest::Listing again = UClipManifest::Read(UClipManifest::Write(data));
    if (!again.Readable || again.Files.size() != listing.Files.size())
        Finding("a listing written back does not read back");
    for (qsizetype i = 0; i < listing.Files.size(); ++i) {
        const UClipFileEntry &a = listing.Files.at(i);
        const UClipFileEntry &b = again.Files.at(i);
        if (a.Name != b.Name || a.Size != b.Size || a.Sha256 != b.Sha256)
            Finding("a file reads back otherwise");
    }
    return 0;
}
