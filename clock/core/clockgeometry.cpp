#include "clockgeometry.h"

#include <cmath>

namespace ClockGeometry {

int roundHalfEven(double value)
{
    // std::nearbyint follows the default rounding mode, round-to-nearest-even.
    return int(std::nearbyint(value));
}

QSize squareToSmallerSide(QSize size)
{
    const int side = qMin(size.width(), size.height());
    return QSize(side, side);
}

Dial dialFor(QSize clientSize)
{
    Dial dial;
    dial.CenterX = qint16(roundHalfEven(clientSize.width() / 2.0));
    dial.CenterY = qint16(roundHalfEven(clientSize.height() / 2.0));
    dial.Radius = qMin(dial.CenterX, dial.CenterY);
    return dial;
}

QPointF pointAt(const Dial &dial, double distance, double angle)
{
    return QPointF(dial.CenterX + distance * std::sin(angle), dial.CenterY - distance * std::cos(angle));
}

int outerCircleRadius(const Dial &dial)
{
    return int(0.8 * dial.Radius);
}

int innerCircleRadius(const Dial &dial)
{
    return int(0.75 * dial.Radius);
}

int numeralDistance(const Dial &dial)
{
    return roundHalfEven(0.9 * dial.Radius);
}

double numeralCircleRadius(const Dial &dial)
{
    return 0.1 * dial.Radius;
}

double hourPositionAngle(int h)
{
    return h * HourStep;
}

QString Numeral(int h)
{
    return QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
}

QPointF numeralCentre(const Dial &dial, int h)
{
    return pointAt(dial, numeralDistance(dial), hourPositionAngle(h));
}

QRectF numeralBox(const Dial &dial, int h, QSizeF textSize)
{
    const QPointF centre = numeralCentre(dial, h);
    return QRectF(
        centre.x() - textSize.width() / 2.0, centre.y() - textSize.height() / 2.0, textSize.width(), textSize.height());
}

int twelveHour(int hour)
{
    return hour > 12 ? hour - 12 : hour;
}

QString readOut(QTime time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(twelveHour(time.hour()), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

Hands handsAt(QTime time)
{
    constexpr double perMinuteOrSecond = Pi / 30.0;
    const int h12 = twelveHour(time.hour());
    Hands hands;
    hands.second = { time.second() * perMinuteOrSecond, 1, 0.74 };
    hands.minute = { time.minute() * perMinuteOrSecond, 2, 0.6 };
    const double hourDegrees = h12 * DegreesPerHour + time.minute() * DegreesPerHour / 60.0;
    hands.hour = { hourDegrees * Pi / 180.0, 3, 0.55 };
    return hands;
}

QPoint labelTopLeft(QSize clientSize, QSize labelSize)
{
    return QPoint(clientSize.width() / 2 - labelSize.width() / 2, clientSize.height() / 2 - 2 * labelSize.height());
}

} // namespace ClockGeometry
