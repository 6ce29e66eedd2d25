#include "Frm_pelwickClk.h"

#include "windowhelpers.h"
#include "windowdrag.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int TimerLineInterval = 1000;
constexpr int DialLineWidth = 2;

// The clock window of showClock; it deletes itself when closed.
QPointer<Frm_pelwickClk> TheClock;

} // namespace

const QColor Frm_pelwickClk::DialColour = QColor(0, 0, 192);
const QColor Frm_pelwickClk::HourHandColour = QColor(255, 0, 0);
const QColor Frm_pelwickClk::MinuteHandColour = QColor(255, 255, 0);
const QColor Frm_pelwickClk::SecondHandColour = QColor(255, 255, 255);
const QColor Frm_pelwickClk::SecondHandEdgeColour = QColor(64, 64, 64);

Frm_pelwickClk::Frm_pelwickClk(QWidget *parent, TimeSource now)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_now(now ? std::move(now) : TimeSource([] { return QDateTime::currentDateTime(); }))
{
    setObjectName(QStringLiteral("Frm_pelwickClk"));
    setWindowTitle(QStringLiteral("Clock"));
    // Everything is painted from the retained canvas. Outside the dial it is
    // transparent: where the window system cannot cut the window to the mask
    // (Wayland), the corners still show what lies behind instead of a square.
    setAttribute(Qt::WA_TranslucentBackground);

    m_timerLine = new QTimer(this);
    m_timerLine->setObjectName(QStringLiteral("TimerLine"));
    m_timerLine->setInterval(TimerLineInterval);
    connect(m_timerLine, &QTimer::timeout, this, &Frm_pelwickClk::Redraw);

    m_labelTime = new QLabel(this);
    m_labelTime->setObjectName(QStringLiteral("LabelTime"));
    QFont labelFont(QStringLiteral("ＭＳ ゴシック"), 12);
    labelFont.setBold(true);
    m_labelTime->setFont(labelFont);
    m_labelTime->setAlignment(Qt::AlignCenter);
    // Transparent, so the dial shows around the digits.
    m_labelTime->setAttribute(Qt::WA_TranslucentBackground);
    m_labelTime->setText(QStringLiteral("00:00:00"));
    m_labelTime->adjustSize();
    // Mouse presses on the read-out drag and close the clock like the dial does.
    m_labelTime->setAttribute(Qt::WA_TransparentForMouseEvents);

    // The left button drags the clock anywhere on it; a double-click still closes it.
    new WindowDrag(this);

    resize(ClockGeometry::squareToSmallerSide(ClockGeometry::InitialClientSize));
    applyShape();
    SetTopmost(true, this);
}

Frm_pelwickClk::~Frm_pelwickClk() = default;

Frm_pelwickClk *Frm_pelwickClk::showClock()
{
    if (!TheClock) {
        TheClock = new Frm_pelwickClk;
        TheClock->setAttribute(Qt::WA_DeleteOnClose);
    }
    TheClock->show();
    TheClock->raise();
    return TheClock;
}

Frm_pelwickClk *Frm_pelwickClk::openClock()
{
    return TheClock;
}

void Frm_pelwickClk::applyShape()
{
    // A circle filling the (square) window.
    setMask(QRegion(0, 0, width(), height(), QRegion::Ellipse));
}

void Frm_pelwickClk::Redraw()
{
    using namespace ClockGeometry;
    const QSize client = size();
    // The canvas holds a device pixel for each pixel of the screen: painted
    // at 1.5x or 2x, not painted at 1x and stretched.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(client) * ratio).toSize();
    if (m_canvas.size() != pixels || m_canvas.devicePixelRatio() != ratio) {
        m_canvas = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_canvas.setDevicePixelRatio(ratio);
    }
    m_canvas.fill(Qt::transparent);

    m_dial = dialFor(client);
    {
        QPainter painter(&m_canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawEllipse(QRectF(QPointF(0, 0), QSizeF(client)));
        painter.setPen(QPen(DialColour, DialLineWidth));
        painter.setBrush(Qt::NoBrush);
        const QPointF centre(m_dial.CenterX, m_dial.CenterY);
        const int outer = outerCircleRadius(m_dial);
        const int inner = innerCircleRadius(m_dial);
        painter.drawEllipse(centre, outer, outer);
        painter.drawEllipse(centre, inner, inner);

        painter.setFont(font());
        const QFontMetricsF metrics(font());
        for (int h = 1; h <= HourCount; ++h) {
            const double angle = hourPositionAngle(h);
            painter.setPen(QPen(DialColour, DialLineWidth));
            painter.drawLine(pointAt(m_dial, 0.75 * m_dial.Radius, angle), pointAt(m_dial, 0.8 * m_dial.Radius, angle));
            const double small = numeralCircleRadius(m_dial);
            painter.drawEllipse(numeralCentre(m_dial, h), small, small);

            const QString text = Numeral(h);
            const QRectF box = numeralBox(m_dial, h, QSizeF(metrics.horizontalAdvance(text), metrics.height()));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(box, Qt::AlignCenter, text);
        }
    }
    m_labelTime->move(labelTopLeft(client, m_labelTime->size()));
    DrawClockHands();
}

void Frm_pelwickClk::DrawClockHands()
{
    m_timerLine->stop();
    const QTime t = m_now().time();
    m_labelTime->setText(ClockGeometry::readOut(t));

    const ClockGeometry::Hands hands = ClockGeometry::handsAt(t);
    DrawHand(hands.second.angle, SecondHandColour, hands.second.width, hands.second.length, SecondHandEdgeColour);
    DrawHand(hands.minute.angle, MinuteHandColour, hands.minute.width, hands.minute.length);
    DrawHand(hands.hour.angle, HourHandColour, hands.hour.width, hands.hour.length);
    update();

    m_timerLine->start();
}

void Frm_pelwickClk::DrawHand(double angle, const QColor &colour, int width, double length, const QColor &edge)
{
    if (m_canvas.isNull())
        return;
    QPainter painter(&m_canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(m_dial.CenterX, m_dial.CenterY);
    const QPointF tip = ClockGeometry::pointAt(m_dial, m_dial.Radius * length, angle);
    if (edge.isValid()) {
        painter.setPen(QPen(edge, width + 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre, tip);
    }
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, tip);
}

void Frm_pelwickClk::paintEvent(QPaintEvent *)
{
    // Moved to a screen of another pixel ratio: paint anew for it.
    if (m_canvas.isNull() || m_canvas.devicePixelRatio() != devicePixelRatioF())
        Redraw();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_canvas);
}

void Frm_pelwickClk::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyShape();
    Redraw();
}

void Frm_pelwickClk::showEvent(QShowEvent *event)
{
    // On the first showing the window is made square with its smaller side,
    // whatever size the caller gave it, and shaped to a circle.
    if (!m_loaded) {
        m_loaded = true;
        const QSize square = ClockGeometry::squareToSmallerSide(size());
        if (square != size())
            resize(square);
        applyShape();
    }
    QWidget::showEvent(event);
}

void Frm_pelwickClk::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    // A double-click is the left button's, as everywhere else on the desktop.
    if (event->button() == Qt::LeftButton)
        close();
}
