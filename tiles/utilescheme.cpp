#include "utilescheme.h"

#include <QStringList>

#include <limits>

namespace {

const QString SchemeName = QStringLiteral("vialumo-tiles");
const QString TileHost = QStringLiteral("tile");
// Ten digits hold any column or row of the deepest zoom.
constexpr int MaxDigits = 10;

std::optional<int> Number(const QString &Text)
{
    if (Text.isEmpty() || Text.size() > MaxDigits)
        return std::nullopt;
    for (const QChar c : Text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = Text.toLongLong(&ok);
    if (!ok || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

} // namespace

namespace UTileScheme {

QString Name()
{
    return SchemeName;
}

QString Template()
{
    return SchemeName + QStringLiteral("://") + TileHost + QStringLiteral("/{z}/{x}/{y}");
}

QUrl UrlOf(const UTileId &Tile)
{
    return QUrl(SchemeName + QStringLiteral("://") + TileHost + QLatin1Char('/') + Tile.Text());
}

std::optional<UTileId> Parse(const QUrl &Url)
{
    if (!Url.isValid() || Url.scheme() != SchemeName || Url.host() != TileHost || Url.hasQuery()
        || Url.hasFragment() || !Url.userInfo().isEmpty() || Url.port() != -1)
        return std::nullopt;
    const QStringList parts = Url.path().split(QLatin1Char('/'));
    // "/z/x/y" splits into "", z, x, y.
    if (parts.size() != 4 || !parts.at(0).isEmpty())
        return std::nullopt;
    const std::optional<int> z = Number(parts.at(1));
    const std::optional<int> x = Number(parts.at(2));
    const std::optional<int> y = Number(parts.at(3));
    if (!z || !x || !y)
        return std::nullopt;
    const UTileId tile{*z, *x, *y};
    if (!tile.IsValid())
        return std::nullopt;
    return tile;
}

} // namespace UTileScheme
