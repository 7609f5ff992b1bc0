#ifndef UCLIPVERIFY_H
#define UCLIPVERIFY_H

#include <QString>
#include <QStringList>

// Checks a clip's folder against its manifest: every file it names is there
// with its size and SHA-256.
class UClipVerify
{
public:
    struct Outcome
    {
        // False when the folder holds no readable manifest.
        bool Readable = false;
        QString Error;
        // The files the manifest names.
        int Files = 0;
        // One line per file that changed, is missing or cannot be read
        // ("NAME: changed", "NAME: missing", "NAME: cannot be read"), in
        // the manifest's order.
        QStringList Problems;
    };

    static Outcome Run(const QString &Folder);
};

#endif // UCLIPVERIFY_H
