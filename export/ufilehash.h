#ifndef UFILEHASH_H
#define UFILEHASH_H

#include <QByteArray>
#include <QString>

#include <atomic>
#include <optional>

// A file's SHA-256, read in blocks so that a file of any size takes the
// same little memory.
class UFileHash
{
public:
    struct Hashed
    {
        qint64 Size = 0;
        // Lower-case hex.
        QString Sha256;
    };

    // None when the file cannot be read to its end or Stop is set. Done,
    // when given, grows by the bytes read.
    static std::optional<Hashed> Sha256(const QString &Path, std::atomic<qint64> *Done = nullptr,
                                        const std::atomic<bool> *Stop = nullptr);
};

#endif // UFILEHASH_H
