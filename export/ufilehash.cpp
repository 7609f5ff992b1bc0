#include "ufilehash.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#include <memory>

namespace {

constexpr qint64 BlockBytes = 1 << 20;

struct DigestFree
{
    void operator()(EVP_MD_CTX *Context) const { EVP_MD_CTX_free(Context); }
};

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
    // libcrypto's SHA-256 uses the processor's SHA instructions where it has
    // them: hashing a card's recordings is then no slower than reading them.
    const std::unique_ptr<EVP_MD_CTX, DigestFree> hash(EVP_MD_CTX_new());
    if (!hash || EVP_DigestInit_ex(hash.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
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
        if (EVP_DigestUpdate(hash.get(), block.constData(), size_t(read)) != 1)
            return std::nullopt;
        hashed.Size += read;
        if (Done)
            *Done += read;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(hash.get(), digest, &length) != 1)
        return std::nullopt;
    hashed.Sha256 = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
    return hashed;
}
