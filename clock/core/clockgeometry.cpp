#include "clockgeometry.h"

#include <cmath>

namespace ClockGeometry {

int RoundHalfEven(double value)
{
    // std::nearbyint follows the default rounding mode, round-to-nearest-even.
    return int(std::nearbyint(value));
}

QSize SquareToSmallerSide(QSize size)
{
    const int side = qMin(size.width(), size.height());
    return QSize(side, side);
}

Dial DialFor(QSize clientSize)
{
    Dial dial;
    dial.CenterX = qint16(RoundHalfEven(clientSize.width() / 2.0));
    dial.CenterY = qint16(RoundHalfEven(clientSize.height() / 2.0));
    dial.Radius = qMin(dial.CenterX, dial.CenterY);
    return dial;
}

QPointF PointAt(const Dial &dial, double distance, double angle)
{
    return QPointF(dial.CenterX + distance * std::sin(angle), dial.CenterY - distance * std::cos(angle));
}

int OuterCircleRadius(const Dial &dial)
{
    return int(0.8 * dial.Radius);
}

int InnerCircleRadius(const Dial &dial)
{
    return int(0.75 * dial.Radius);
}

int NumeralDistance(const Dial &dial)
{
    return RoundHalfEven(0.9 * dial.Radius);
}

double NumeralCircleRadius(const Dial &dial)
{
    return 0.1 * dial.Radius;
}

double HourPositionAngle(int h)
{
    return h * HourStep;
}

QString Numeral(int h)
{
    return QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
}

QPointF NumeralCentre(const Dial &dial, int h)
{
    return PointAt(dial, NumeralDistance(dial), HourPositionAngle(h));
}

QRectF NumeralBox(const Dial &dial, int h, QSizeF textSize)
{
    const QPointF centre = NumeralCentre(dial, h);
    return QRectF(
        centre.x() - textSize.width() / 2.0, centre.y() - textSize.height() / 2.0, textSize.width(), textSize.height());
}

int TwelveHour(int hour)
{
    return hour > 12 ? hour - 12 : hour;
}

QString ReadOut(QTime time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(TwelveHour(time.hour()), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

Hands HandsAt(QTime time)
{
    constexpr double perMinuteOrSecond = Pi / 30.0;
    const int h12 = TwelveHour(time.hour());
    Hands hands;
    hands.second = { time.second() * perMinuteOrSecond, 1, 0.74 };
    hands.minute = { time.minute() * perMinuteOrSecond, 2, 0.6 };
    const double hourDegrees = h12 * DegreesPerHour + time.minute() * DegreesPerHour / 60.0;
    hands.hour = { hourDegrees * Pi / 180.0, 3, 0.55 };
    return hands;
}

QPoint LabelTopLeft(QSize clientSize, QSize labelSize)
{
    return QPoint(clientSize.width() / 2 - labelSize.width() / 2, clientSize.height() / 2 - 2 * labelSize.height());
}

} // namespace ClockGeometry
