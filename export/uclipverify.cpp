#include "uclipverify.h"

#include "export/uclipmanifest.h"
#include "export/ufilehash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A manifest lists a few dozen files at most; a bigger file is no manifest.
constexpr qint64 MaxManifestBytes = 16 * 1024 * 1024;

} // namespace

UClipVerify::Outcome UClipVerify::Run(const QString &Folder)
{
    Outcome outcome;
    const QDir folder(Folder);
    if (!QFileInfo(Folder).isDir()) {
        outcome.Error = QStringLiteral("%1: no such folder").arg(Folder);
        return outcome;
    }
    const QString manifestPath = folder.filePath(QString::fromLatin1(UClipManifest::FileName));
    QFile manifest(manifestPath);
    if (!QFileInfo(manifestPath).isFile() || !manifest.open(QIODevice::ReadOnly)) {
        outcome.Error = QStringLiteral("%1: no %2").arg(Folder, QString::fromLatin1(UClipManifest::FileName));
        return outcome;
    }
    if (manifest.size() > MaxManifestBytes) {
        outcome.Error = QStringLiteral("%1: too big for a manifest").arg(manifestPath);
        return outcome;
    }
    const UClipManifest::Listing listing = UClipManifest::Read(manifest.readAll());
    if (!listing.Readable) {
        outcome.Error = QStringLiteral("%1: %2").arg(manifestPath, listing.Error);
        return outcome;
    }
    outcome.Readable = true;
    outcome.Files = int(listing.Files.size());
    for (const UClipFileEntry &entry : listing.Files) {
        const QString path = folder.filePath(entry.Name);
        if (!QFileInfo(path).isFile()) {
            outcome.Problems << entry.Name + QStringLiteral(": missing");
            continue;
        }
        const std::optional<UFileHash::Hashed> hashed = UFileHash::Sha256(path);
        if (!hashed)
            outcome.Problems << entry.Name + QStringLiteral(": cannot be read");
        else if (hashed->Size != entry.Size || hashed->Sha256 != entry.Sha256)
            outcome.Problems << entry.Name + QStringLiteral(": changed");
    }
    return outcome;
}
