#pragma once

#include "clockgeometry.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

// The round analog clock: frameless, always on top, a dial with twelve
// numerals, three hands and a digital read-out. Dragged with the left button,
// closed by a double-click. The messenger and the clock program share it.
class Frm_pelwickClk : public QWidget
{
    Q_OBJECT
public:
    // Where the clock reads the time; tests pass a fixed clock.
    using TimeSource = std::function<QDateTime()>;

    explicit Frm_pelwickClk(QWidget *parent = nullptr, TimeSource now = {});
    ~Frm_pelwickClk() override;

    // Shows the one clock window of the process, creating it on first use.
    // The window deletes itself when closed; the next call creates a new one.
    static Frm_pelwickClk *showClock();
    // The open clock window of showClock, or nullptr.
    static Frm_pelwickClk *openClock();

    // Draws the three hands and sets the read-out, then restarts TimerLine so
    // the next tick comes one interval after this redraw.
    void DrawClockHands();
    // Draws one hand from the centre; length is a share of Radius. A valid
    // edge outlines it one pixel wide on each side.
    void DrawHand(double angle, const QColor &colour, int width, double length, const QColor &edge = {});

    // The whole clock as last drawn (the retained picture the window repaints
    // from), at the window's device pixel ratio; transparent outside the dial.
    const QImage &canvas() const { return m_canvas; }
    const ClockGeometry::Dial &dial() const { return m_dial; }

    static const QColor DialColour;
    static const QColor HourHandColour;
    static const QColor MinuteHandColour;
    static const QColor SecondHandColour;
    // The white second hand's outline, so it shows on a light face.
    static const QColor SecondHandEdgeColour;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void Redraw();
    void applyShape();

    TimeSource m_now;
    QTimer *m_timerLine = nullptr;
    QLabel *m_labelTime = nullptr;
    QImage m_canvas;
    ClockGeometry::Dial m_dial;
    bool m_loaded = false;
};
