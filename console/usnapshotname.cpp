#include "usnapshotname.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Suffix = QStringLiteral(".png");
// Beyond this something is wrong with the folder (or the Exists answer).
constexpr int MaxNumber = 100000;
const QString UnnamedVideo = QStringLiteral("snapshot");

} // namespace

QString USnapshotName::BaseName(const QString &VideoPath, qint64 TimeMs)
{
    QString name = QFileInfo(VideoPath).completeBaseName();
    if (name.isEmpty())
        name = UnnamedVideo;
    const qint64 time = qMax<qint64>(TimeMs, 0) / 1000;
    const QLatin1Char zero('0');
    return name + QStringLiteral("_%1-%2-%3")
                      .arg(time / 3600, 2, 10, zero)
                      .arg(time / 60 % 60, 2, 10, zero)
                      .arg(time % 60, 2, 10, zero);
}

QString USnapshotName::FreePath(const QString &Folder, const QString &BaseName,
                                const std::function<bool(const QString &)> &Exists)
{
    const QDir folder(Folder);
    for (int number = 1; number <= MaxNumber; ++number) {
        QString name = BaseName;
        if (number > 1)
            name += QLatin1Char('-') + QString::number(number);
        name += Suffix;
        const QString path = folder.filePath(name);
        if (!Exists(path))
            return path;
    }
    return QString();
}
