#include "urecordermarks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

constexpr QLatin1String TeslaEventFile("event.json");
constexpr QLatin1String TeslaTimeFormat("yyyy-MM-dd_HH-mm-ss");
constexpr qsizetype TeslaTimeLength = 19;

// Folder names, compared without case, under which recorders keep what they
// protect from being overwritten.
constexpr QLatin1String EventFolders[] = {
    QLatin1String("RO"),          // Viofo: read-only
    QLatin1String("evt_rec"),     // Thinkware: impact while driving
    QLatin1String("parking_rec"), // Thinkware: impact or motion while parked
    QLatin1String("manual_rec"),  // Thinkware: the button
    QLatin1String("Event"),
    QLatin1String("Emergency"),
    QLatin1String("SOS"),
    QLatin1String("Protected"),
};
constexpr QLatin1String TeslaFolders[] = {QLatin1String("SavedClips"), QLatin1String("SentryClips")};

const QRegularExpression &BlackVueName()
{
    // YYYYMMDD_HHMMSS_<type><camera>[S].mp4
    static const QRegularExpression name(QStringLiteral("^\\d{8}_\\d{6}_([A-Z])([FRI])S?\\.mp4$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return name;
}

const QRegularExpression &GarminFolder()
{
    // 100EVENT, 101SAVED
    static const QRegularExpression name(QStringLiteral("^\\d{3}(EVENT|SAVED)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return name;
}

QString BlackVueWords(QChar Type)
{
    if (Type == u'E')
        return QStringLiteral("event recording (E)");
    if (Type == u'I')
        return QStringLiteral("impact while parked (I)");
    return QStringLiteral("manual recording (M)");
}

bool IsTeslaFolder(const QString &Name)
{
    for (const QLatin1String tesla : TeslaFolders) {
        if (Name.compare(tesla, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The names of the video's folder and of the one above it.
QStringList FolderNames(const QString &VideoPath)
{
    QStringList names;
    QDir folder = QFileInfo(VideoPath).dir();
    names << folder.dirName();
    if (folder.cdUp())
        names << folder.dirName();
    return names;
}

URecorderMarks::TeslaEvent ReadEventFile(const QString &Path)
{
    QFile file(Path);
    if (!QFileInfo(Path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return URecorderMarks::ReadTeslaEvent(file.read(URecorderMarks::MaxEventFileBytes));
}

// The camera of a Tesla clip: what follows its time in the name.
QString TeslaCamera(QStringView FileName)
{
    return FileName.mid(TeslaTimeLength).toString();
}

// The marks of a clip in a Tesla event folder: the event goes to the clip
// of the same camera that started last at or before its time; without a
// time every clip of the folder is marked at its start.
UEventList TeslaMarks(const QString &VideoPath)
{
    const QFileInfo video(VideoPath);
    const URecorderMarks::TeslaEvent event = ReadEventFile(video.dir().filePath(TeslaEventFile));
    const QDateTime start = URecorderMarks::TeslaClipStart(video.fileName());
    if (!event.Time.isValid() || !start.isValid())
        return {{0, UEventKind::Recorder, 0.0, event.Reason}};
    if (start > event.Time)
        return {};
    const QString camera = TeslaCamera(video.fileName());
    const QStringList siblings = video.dir().entryList(QDir::Files);
    for (const QString &sibling : siblings) {
        const QDateTime other = URecorderMarks::TeslaClipStart(sibling);
        if (other.isValid() && other > start && other <= event.Time && TeslaCamera(sibling) == camera)
            return {};
    }
    return {{start.msecsTo(event.Time), UEventKind::Recorder, 0.0, event.Reason}};
}

} // namespace

QChar URecorderMarks::BlackVueType(QStringView FileName)
{
    const QRegularExpressionMatch match = BlackVueName().match(FileName.toString());
    if (!match.hasMatch())
        return {};
    const QChar type = match.capturedView(1).at(0).toUpper();
    return (type == u'E' || type == u'I' || type == u'M') ? type : QChar();
}

QString URecorderMarks::EventFolder(const QString &VideoPath)
{
    for (const QString &name : FolderNames(VideoPath)) {
        for (const QLatin1String folder : EventFolders) {
            if (name.compare(folder, Qt::CaseInsensitive) == 0)
                return QStringLiteral("event folder ") + name;
        }
        if (GarminFolder().match(name).hasMatch())
            return QStringLiteral("event folder ") + name;
    }
    return {};
}

URecorderMarks::TeslaEvent URecorderMarks::ReadTeslaEvent(const QByteArray &Json)
{
    TeslaEvent event;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(Json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return event;
    const QJsonObject object = document.object();
    event.Reason = object.value(QLatin1String("reason")).toString().simplified();
    const QString time = object.value(QLatin1String("timestamp")).toString();
    event.Time = QDateTime::fromString(time, Qt::ISODate);
    // Tesla writes the car's local time without a zone, as in the clips'
    // names; a time with one is made local to compare with them.
    if (event.Time.isValid())
        event.Time = event.Time.toLocalTime();
    return event;
}

QDateTime URecorderMarks::TeslaClipStart(QStringView FileName)
{
    if (FileName.size() <= TeslaTimeLength || FileName.at(TeslaTimeLength) != u'-')
        return {};
    return QDateTime::fromString(FileName.first(TeslaTimeLength).toString(), TeslaTimeFormat);
}

UEventList URecorderMarks::Of(const QString &VideoPath)
{
    const QFileInfo video(VideoPath);
    const QStringList folders = FolderNames(VideoPath);
    for (const QString &folder : folders) {
        if (IsTeslaFolder(folder))
            return TeslaMarks(VideoPath);
    }
    UEventList marks;
    const QChar type = BlackVueType(video.fileName());
    if (!type.isNull())
        marks.append({0, UEventKind::Recorder, 0.0, BlackVueWords(type)});
    else if (const QString folder = EventFolder(VideoPath); !folder.isEmpty())
        marks.append({0, UEventKind::Recorder, 0.0, folder});
    return marks;
}
