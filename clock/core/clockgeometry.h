#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTime>

// Geometry of the analog clock, free of widgets so it can be tested on its own.
//
// Angles are in radians, measured clockwise from 12 o'clock. The point at
// distance d and angle a is (CenterX + d·sin a, CenterY − d·cos a): the y axis
// of the window points down.
namespace ClockGeometry {

inline constexpr int HourCount = 12;
inline constexpr double Pi = 3.14159265358979323846;
// Angle between two neighbouring hour positions.
inline constexpr double HourStep = Pi / 6.0;
// Degrees the hour hand moves per hour.
inline constexpr double DegreesPerHour = 30.0;

// Client size the window opens with before it is squared: 2955 × 2790 twips
// at 15 twips per pixel.
inline constexpr QSize InitialClientSize(197, 186);

// Centre and radius of the dial, recomputed at every redraw.
struct Dial
{
    qint16 CenterX = 0;
    qint16 CenterY = 0;
    qint16 Radius = 0;
};

// One hand: its angle and its width and length (length as a share of Radius).
struct Hand
{
    double angle = 0.0;
    int width = 1;
    double length = 0.0;
};

// The three hands in drawing order: second, minute, hour, so the hour hand lies on top.
struct Hands
{
    Hand second;
    Hand minute;
    Hand hour;
};

// Rounds to the nearest integer, halves to the even neighbour.
int roundHalfEven(double value);

// The size made square by shortening the longer side to the shorter one.
QSize squareToSmallerSide(QSize size);

// CenterX, CenterY = half the client width and height (halves to even);
// Radius = the smaller of the two.
Dial dialFor(QSize clientSize);

// The point at distance from the centre at angle.
QPointF pointAt(const Dial &dial, double distance, double angle);

// Radii of the two dial circles (truncated), the distance of the numeral
// centres (rounded) and the radius of the small circle about each numeral.
int outerCircleRadius(const Dial &dial);
int innerCircleRadius(const Dial &dial);
int numeralDistance(const Dial &dial);
double numeralCircleRadius(const Dial &dial);

// Angle of hour position h (1..12).
double hourPositionAngle(int h);
// "01" .. "12".
QString Numeral(int h);
// Where the centre of numeral h lies.
QPointF numeralCentre(const Dial &dial, int h);
// The box of a numeral of textSize, centred on its point.
QRectF numeralBox(const Dial &dial, int h, QSizeF textSize);

// The hour on a 12-hour face without AM/PM: 0 at midnight, 12 at noon, 13..23 -> 1..11.
int twelveHour(int hour);
// The digital read-out, "hh:nn:ss" with the 12-hour hour: 15:04:09 -> "03:04:09".
QString readOut(QTime time);
// The hands at time; the hour hand moves on with the minutes by half a degree per minute.
Hands handsAt(QTime time);

// Top-left corner of the read-out label: centred horizontally, its top twice
// its height above the middle, so the digital time sits above the centre.
QPoint labelTopLeft(QSize clientSize, QSize labelSize);

// Degrees, for callers and tests that think in degrees.
inline double toDegrees(double radians)
{
    return radians * 180.0 / Pi;
}

} // namespace ClockGeometry
