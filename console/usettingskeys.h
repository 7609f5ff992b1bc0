#ifndef USETTINGSKEYS_H
#define USETTINGSKEYS_H

#include <QString>
#include <QUrl>

// What the player remembers between runs, and under which keys. The file is
// <XDG config>/Vialumo/Vialumo.conf (QSettings' native format on Linux).
namespace USettingsKeys {

inline constexpr const char *Organisation = "Vialumo";
inline constexpr const char *Application = "Vialumo";

// The folder "Import folder..." opened last.
inline QString ImportFolder() { return QStringLiteral("Folders/Import"); }
// The folder "Export GPX..." saved into last.
inline QString ExportFolder() { return QStringLiteral("Folders/Export"); }
// The folder "Export clip..." (Ctrl+E) exported into last.
inline QString ClipExportFolder() { return QStringLiteral("Folders/ExportClip"); }

// The offline maps (MBTiles, PMTiles) the map draws its tiles from, a list
// of absolute paths in the order they were added.
inline QString OfflineMaps() { return QStringLiteral("Maps/Offline"); }
// The folder "Add offline map..." opened last.
inline QString OfflineMapFolder() { return QStringLiteral("Folders/OfflineMap"); }
// The unit speeds are shown in: "kmh" or "mph" (USpeedUnit::Key).
inline QString SpeedUnit() { return QStringLiteral("Display/SpeedUnit"); }
// The zone of the local times the tooltips show, an IANA id such as
// "Europe/Berlin"; the computer's zone when unset or unknown.
inline QString TimeZone() { return QStringLiteral("Display/TimeZone"); }
// Map tiles on this computer for both map pages, as a URL template with
// {z}, {x} and {y} (file:, or the program's own scheme); none when unset.
inline QString MapTiles() { return QStringLiteral("Map/TileTemplate"); }

// The speed over which a drive counts as speeding, in km/h; 0 (or none)
// for no such events.
inline QString SpeedLimitKmh() { return QStringLiteral("Events/SpeedLimitKmh"); }

// The GPS shift of a recording, in seconds, under its canonical path. The
// path is percent-encoded: a slash would open a settings group.
inline QString GpsShift(const QString &CanonicalPath)
{
    return QStringLiteral("GpsShift/") + QString::fromLatin1(QUrl::toPercentEncoding(CanonicalPath));
}

} // namespace USettingsKeys

#endif // USETTINGSKEYS_H
