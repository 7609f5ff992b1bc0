#include "ufoldersearch.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "gpslog/filesuffixes.h"

namespace {

// More hops than this through links is a loop, as the system itself counts.
constexpr int MaxLinkHops = 40;

bool Cancelled(const std::atomic<bool> *Cancel)
{
    return Cancel && Cancel->load(std::memory_order_relaxed);
}

// A link that leads nowhere: to a missing file, or round in a circle.
USkipReason BrokenLinkReason(const QFileInfo &Link)
{
    QSet<QString> seen;
    QFileInfo at = Link;
    for (int hop = 0; hop < MaxLinkHops && at.isSymLink(); ++hop) {
        const QString path = at.absoluteFilePath();
        if (seen.contains(path))
            return USkipReason::LinkLoop;
        seen.insert(path);
        at = QFileInfo(at.symLinkTarget());
    }
    return at.isSymLink() ? USkipReason::LinkLoop : USkipReason::Unreadable;
}

class Walker
{
public:
    explicit Walker(const std::atomic<bool> *Cancel) : Cancel(Cancel) {}

    void Path(const QString &Path)
    {
        const QFileInfo info(Path);
        if (info.isSymLink() && !info.exists()) {
            Result.Skipped.append({Path, BrokenLinkReason(info)});
        } else if (info.isDir()) {
            Folder(info);
        } else if (info.isFile()) {
            if (UFolderSearch::IsVideoName(info.fileName()))
                Result.Videos.append(info.filePath());
            else
                Result.Skipped.append({Path, USkipReason::NotAVideo});
        } else {
            Result.Skipped.append({Path, USkipReason::Unreadable});
        }
    }

    UFolderSearchResult Result;

private:
    void Folder(const QFileInfo &Info)
    {
        const QString canonical = Info.canonicalFilePath();
        if (canonical.isEmpty()) {
            Result.Skipped.append({Info.filePath(), USkipReason::Unreadable});
            return;
        }
        if (Seen.contains(canonical)) {
            // A link back to a folder above this one would go round forever;
            // one to a folder searched already would only bring its videos twice.
            if (Ancestors.contains(canonical))
                Result.Skipped.append({Info.filePath(), USkipReason::LinkLoop});
            return;
        }
        const QDir dir(Info.filePath());
        if (!Info.isReadable() || !Info.isExecutable() || !dir.isReadable()) {
            Result.Skipped.append({Info.filePath(), USkipReason::Unreadable});
            return;
        }
        Seen.insert(canonical);
        Ancestors.insert(canonical);
        // System: dangling links are listed too, so that they are counted.
        QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::NoSort);
        std::sort(entries.begin(), entries.end(), [](const QFileInfo &A, const QFileInfo &B) {
            return UFolderSearch::NameLess(A.fileName(), B.fileName());
        });
        for (const QFileInfo &entry : std::as_const(entries)) {
            if (Cancelled(Cancel))
                break;
            if (entry.isSymLink() && !entry.exists())
                Result.Skipped.append({entry.filePath(), BrokenLinkReason(entry)});
            else if (entry.isDir())
                Folder(entry);
            else if (entry.isFile() && UFolderSearch::IsVideoName(entry.fileName()))
                Result.Videos.append(entry.filePath());
        }
        Ancestors.remove(canonical);
    }

    const std::atomic<bool> *Cancel;
    QSet<QString> Seen;
    QSet<QString> Ancestors;
};

} // namespace

bool UFolderSearch::IsVideoName(const QString &FileName)
{
    const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return false;
    const QStringView suffix = QStringView(FileName).sliced(dot + 1);
    return std::any_of(std::begin(VideoSuffixes), std::end(VideoSuffixes), [suffix](QLatin1String known) {
        return suffix.compare(known, Qt::CaseInsensitive) == 0;
    });
}

bool UFolderSearch::NameLess(const QString &A, const QString &B)
{
    // One collator per thread: searches run on worker threads, and a collator
    // is not to be shared between them.
    thread_local const QCollator collator = [] {
        QCollator c{QLocale(QLocale::English, QLocale::UnitedStates)};
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(A, B);
    if (order != 0)
        return order < 0;
    return A < B;
}

UFolderSearchResult UFolderSearch::Search(const QStringList &Paths, const std::atomic<bool> *Cancel)
{
    Walker walker(Cancel);
    for (const QString &path : Paths) {
        if (Cancelled(Cancel))
            break;
        walker.Path(path);
    }
    return walker.Result;
}

QString UFolderSearch::IdentityOf(const QString &Path)
{
    const QString canonical = QFileInfo(Path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(Path).absoluteFilePath()) : canonical;
}

qsizetype UFolderSearch::DropKnown(QStringList &Paths, QSet<QString> &Known)
{
    const qsizetype before = Paths.size();
    Paths.removeIf([&Known](const QString &path) {
        const QString identity = IdentityOf(path);
        if (Known.contains(identity))
            return true;
        Known.insert(identity);
        return false;
    });
    return before - Paths.size();
}
