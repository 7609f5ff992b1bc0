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

QStringList USnapshotName::FreePaths(const QString &Folder, const QString &BaseName, const QStringList &Cameras,
                                     const std::function<bool(const QString &)> &Exists)
{
    // Names given twice (two cameras of one role) are told apart.
    QStringList suffixes;
    for (const QString &camera : Cameras) {
        QString suffix = camera;
        for (int n = 2; suffixes.contains(suffix); ++n)
            suffix = camera + QLatin1Char('-') + QString::number(n);
        suffixes << suffix;
    }
    const QDir folder(Folder);
    for (int number = 1; number <= MaxNumber; ++number) {
        QString name = BaseName;
        if (number > 1)
            name += QLatin1Char('-') + QString::number(number);
        QStringList paths;
        bool taken = false;
        for (const QString &suffix : std::as_const(suffixes)) {
            const QString path = folder.filePath(name + QLatin1Char('_') + suffix + Suffix);
            taken = taken || Exists(path);
            paths << path;
        }
        if (!taken)
            return paths;
    }
    return QStringList();
}
