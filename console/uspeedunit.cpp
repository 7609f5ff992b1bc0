#include "uspeedunit.h"

#include <QtGlobal>

#include <cmath>

namespace {

const QString KmhName = QStringLiteral("km/h");
const QString MphName = QStringLiteral("mph");
const QString KmhKey = QStringLiteral("kmh");
const QString MphKey = QStringLiteral("mph");
constexpr int MostDecimals = 6;

} // namespace

double USpeedUnit::Value(double Kmh, Kind Unit)
{
    return Unit == Mph ? Kmh / KilometresPerMile : Kmh;
}

QString USpeedUnit::Text(double Kmh, Kind Unit, int Decimals)
{
    const double value = Value(Kmh, Unit);
    if (!std::isfinite(value))
        return QString();
    const int decimals = qBound(0, Decimals, MostDecimals);
    QString number = QString::number(value, 'f', decimals);
    // -0.2 km/h rounded is a standing car, not "-0".
    if (number.startsWith(QLatin1Char('-')) && QString::number(-value, 'f', decimals).toDouble() == 0.0)
        number.remove(0, 1);
    return number + QLatin1Char(' ') + Name(Unit);
}

QString USpeedUnit::Name(Kind Unit)
{
    return Unit == Mph ? MphName : KmhName;
}

QString USpeedUnit::Key(Kind Unit)
{
    return Unit == Mph ? MphKey : KmhKey;
}

USpeedUnit::Kind USpeedUnit::FromKey(const QString &Key)
{
    return Key == MphKey ? Mph : Kmh;
}
