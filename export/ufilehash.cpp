#include "ufilehash.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 BlockBytes = 1 << 20;

} // namespace

std::optional<UFileHash::Hashed> UFileHash::Sha256(const QString &Path, std::atomic<qint64> *Done,
                                                   const std::atomic<bool> *Stop)
{
    // A FIFO would never end.
    if (!QFileInfo(Path).isFile())
        return std::nullopt;
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(BlockBytes, Qt::Uninitialized);
    Hashed hashed;
    for (;;) {
        if (Stop && Stop->load())
            return std::nullopt;
        const qint64 read = file.read(block.data(), BlockBytes);
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        hash.addData(QByteArrayView(block.constData(), read));
        hashed.Size += read;
        if (Done)
            *Done += read;
    }
    hashed.Sha256 = QString::fromLatin1(hash.result().toHex());
    return hashed;
}
