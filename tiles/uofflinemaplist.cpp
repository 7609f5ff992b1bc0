#include "uofflinemaplist.h"

#include <QDir>
#include <QFileInfo>

#include "tiles/uofflinemap.h"

namespace {

QString Absolute(const QString &Path)
{
    return QDir::cleanPath(QFileInfo(Path).absoluteFilePath());
}

QString NameOf(const QString &Path)
{
    return QFileInfo(Path).fileName();
}

} // namespace

QString UOfflineMapList::Restore(const QStringList &Paths)
{
    Remembered.clear();
    Open.clear();
    QStringList gone;
    QStringList problems;
    for (const QString &remembered : Paths) {
        const QString path = Absolute(remembered);
        if (remembered.isEmpty() || Remembered.contains(path))
            continue;
        if (!QFileInfo::exists(path)) {
            gone << NameOf(path);
            continue;
        }
        Remembered << path;
        QString error;
        std::shared_ptr<UOfflineMap> map = UOfflineMap::Open(path, &error);
        if (map)
            Open.append({path, std::move(map)});
        else
            problems << error;
    }
    QStringList notes;
    if (!gone.isEmpty())
        notes << (gone.size() == 1 ? QStringLiteral("Offline map not found, forgotten: ")
                                   : QStringLiteral("Offline maps not found, forgotten: "))
                + gone.join(QStringLiteral(", "));
    notes << problems;
    return notes.join(QLatin1Char('\n'));
}

QString UOfflineMapList::Add(const QString &Path, bool *Opened)
{
    const QString path = Absolute(Path);
    QString error;
    std::shared_ptr<UOfflineMap> map = UOfflineMap::Open(path, &error);
    if (Opened)
        *Opened = map != nullptr;
    if (!map)
        return error;
    for (OpenMap &opened : Open) {
        if (opened.Path == path) {
            opened.Map = std::move(map);
            return QStringLiteral("Offline map already added: ") + NameOf(path);
        }
    }
    if (!Remembered.contains(path))
        Remembered << path;
    // In the remembered order, whatever the files that could not be opened.
    QList<OpenMap> open;
    for (const QString &remembered : std::as_const(Remembered)) {
        if (remembered == path) {
            open.append({path, map});
            continue;
        }
        for (const OpenMap &opened : std::as_const(Open)) {
            if (opened.Path == remembered)
                open.append(opened);
        }
    }
    Open = open;
    return QStringLiteral("Offline map added: ") + NameOf(path);
}

QString UOfflineMapList::Remove(const QString &Path)
{
    const QString path = Absolute(Path);
    if (!Remembered.removeAll(path))
        return QString();
    Open.removeIf([&path](const OpenMap &opened) { return opened.Path == path; });
    return QStringLiteral("Offline map removed: ") + NameOf(path);
}

QList<std::shared_ptr<UOfflineMap>> UOfflineMapList::Maps() const
{
    QList<std::shared_ptr<UOfflineMap>> maps;
    for (const OpenMap &opened : Open)
        maps.append(opened.Map);
    return maps;
}
