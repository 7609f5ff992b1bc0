#include "uclipmanifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;
constexpr qint64 MillisecondsPerMinute = 60 * MillisecondsPerSecond;
constexpr qint64 MillisecondsPerHour = 60 * MillisecondsPerMinute;
constexpr qsizetype Sha256HexLength = 64;
// Sizes beyond this are not held exactly by a JSON number.
constexpr double LargestExactSize = 9007199254740992.0;

QJsonValue TimeValue(const QDateTime &Time, Qt::DateFormat Format)
{
    return Time.isValid() ? QJsonValue(Time.toString(Format)) : QJsonValue();
}

bool IsPlainName(const QString &Name)
{
    return !Name.isEmpty() && Name != QLatin1String(".") && Name != QLatin1String("..")
        && !Name.contains(QLatin1Char('/')) && !Name.contains(QChar(0));
}

bool IsSha256(const QString &Text)
{
    if (Text.size() != Sha256HexLength)
        return false;
    for (const QChar c : Text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
              || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    return true;
}

UClipManifest::Listing Unreadable(const QString &Error)
{
    UClipManifest::Listing listing;
    listing.Error = Error;
    return listing;
}

} // namespace

QString UClipManifest::TimeText(qint64 Ms)
{
    const qint64 time = std::max<qint64>(Ms, 0);
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3.%4")
        .arg(time / MillisecondsPerHour, 2, 10, zero)
        .arg(time % MillisecondsPerHour / MillisecondsPerMinute, 2, 10, zero)
        .arg(time % MillisecondsPerMinute / MillisecondsPerSecond, 2, 10, zero)
        .arg(time % MillisecondsPerSecond, 3, 10, zero);
}

QByteArray UClipManifest::Write(const UClipManifestData &Data)
{
    QJsonObject inPoint;
    inPoint.insert(QStringLiteral("utc"), TimeValue(Data.InUtc.toUTC(), Qt::ISODateWithMs));
    inPoint.insert(QStringLiteral("local"), TimeValue(Data.InUtc.toTimeZone(Data.Zone), Qt::ISODateWithMs));
    inPoint.insert(QStringLiteral("time_zone"), QString::fromUtf8(Data.Zone.id()));

    QJsonObject range;
    range.insert(QStringLiteral("from"), TimeText(Data.FromMs));
    range.insert(QStringLiteral("to"), TimeText(Data.ToMs));
    range.insert(QStringLiteral("from_ms"), Data.FromMs);
    range.insert(QStringLiteral("to_ms"), Data.ToMs);

    QJsonArray sources;
    for (const UClipSourceEntry &source : Data.Sources) {
        QJsonObject entry;
        entry.insert(QStringLiteral("path"), source.Path);
        entry.insert(QStringLiteral("camera"), source.Camera);
        entry.insert(QStringLiteral("size"), source.Size);
        entry.insert(QStringLiteral("sha256"), source.Sha256);
        entry.insert(QStringLiteral("from"), TimeText(source.FromMs));
        entry.insert(QStringLiteral("to"), TimeText(source.ToMs));
        entry.insert(QStringLiteral("from_ms"), source.FromMs);
        entry.insert(QStringLiteral("to_ms"), source.ToMs);
        entry.insert(QStringLiteral("gps_shift_seconds"), source.GpsShiftSeconds);
        sources.append(entry);
    }
    QJsonArray files;
    for (const UClipFileEntry &file : Data.Files) {
        QJsonObject entry;
        entry.insert(QStringLiteral("name"), file.Name);
        entry.insert(QStringLiteral("size"), file.Size);
        entry.insert(QStringLiteral("sha256"), file.Sha256);
        files.append(entry);
    }

    QJsonObject root;
    root.insert(QStringLiteral("program"), Data.Program);
    root.insert(QStringLiteral("version"), Data.Version);
    root.insert(QStringLiteral("in_point"), inPoint);
    root.insert(QStringLiteral("range"), range);
    root.insert(QStringLiteral("gps_shift_seconds"), Data.GpsShiftSeconds);
    root.insert(QStringLiteral("sources"), sources);
    root.insert(QStringLiteral("files"), files);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

UClipManifest::Listing UClipManifest::Read(const QByteArray &Bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(Bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Unreadable(QStringLiteral("not JSON (%1)").arg(error.errorString()));
    if (!document.isObject())
        return Unreadable(QStringLiteral("no manifest"));
    const QJsonValue filesValue = document.object().value(QStringLiteral("files"));
    if (!filesValue.isArray())
        return Unreadable(QStringLiteral("no list of files"));
    const QJsonArray files = filesValue.toArray();
    if (files.size() > MaxFiles)
        return Unreadable(QStringLiteral("too many files"));
    Listing listing;
    QSet<QString> names;
    for (const QJsonValue &value : files) {
        if (!value.isObject())
            return Unreadable(QStringLiteral("a file entry is no object"));
        const QJsonObject object = value.toObject();
        const QJsonValue name = object.value(QStringLiteral("name"));
        const QJsonValue size = object.value(QStringLiteral("size"));
        const QJsonValue sha256 = object.value(QStringLiteral("sha256"));
        if (!name.isString() || !IsPlainName(name.toString()))
            return Unreadable(QStringLiteral("a file name that is not a plain name"));
        const double bytes = size.toDouble(-1.0);
        if (!size.isDouble() || bytes < 0.0 || bytes > LargestExactSize || std::floor(bytes) != bytes)
            return Unreadable(QStringLiteral("%1: no size").arg(name.toString()));
        if (!sha256.isString() || !IsSha256(sha256.toString()))
            return Unreadable(QStringLiteral("%1: no SHA-256").arg(name.toString()));
        if (names.contains(name.toString()))
            return Unreadable(QStringLiteral("%1: named twice").arg(name.toString()));
        names.insert(name.toString());
        listing.Files.append({name.toString(), qint64(bytes), sha256.toString().toLower()});
    }
    listing.Readable = true;
    return listing;
}
