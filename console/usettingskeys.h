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
