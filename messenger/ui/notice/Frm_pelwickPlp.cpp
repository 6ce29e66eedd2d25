#include "Frm_pelwickPlp.h"

#include "windowhelpers.h"
#include "windowdrag.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int TimerLampInterval = 100;

// The lamp of showLamp; it lives until the application ends.
QPointer<Frm_pelwickPlp> TheLamp;

QLabel *HiddenPicture(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

} // namespace

Frm_pelwickPlp::Frm_pelwickPlp(const Pictures &pictures, int screenHeightPx)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
    , m_givenScreenHeight(screenHeightPx)
{
    setObjectName(QStringLiteral("Frm_pelwickPlp"));
    // The lamp must not take the focus from what the user is typing.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Outside the lamp the window is transparent, so it is round where the
    // window system does not cut windows to their mask (Wayland).
    setAttribute(Qt::WA_TranslucentBackground);
    // Neither the lamp's closing nor its staying open decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    SetTopmost(true, this);
    // The left button drags the lamp; a double-click still closes it.
    new WindowDrag(this);

    const Pictures art = pictures.back.isNull() && pictures.strip.isNull() ? shippedPictures() : pictures;
    m_back = art.back.convertToFormat(QImage::Format_RGB32);
    m_strip = art.strip.convertToFormat(QImage::Format_RGB32);

    m_picBack = HiddenPicture(this, "Pic_Back");
    m_picBack->setPixmap(QPixmap::fromImage(m_back));
    m_picture1 = HiddenPicture(this, "Picture1");
    m_picture1->setPixmap(QPixmap::fromImage(m_strip));
    m_picBig = HiddenPicture(this, "Pic_Big");

    m_timerLamp = new QTimer(this);
    m_timerLamp->setObjectName(QStringLiteral("Timer_Lamp"));
    m_timerLamp->setInterval(TimerLampInterval);
    connect(m_timerLamp, &QTimer::timeout, this, &Frm_pelwickPlp::Timer_Lamp_Timer);
}

Frm_pelwickPlp::~Frm_pelwickPlp() = default;

Frm_pelwickPlp::Pictures Frm_pelwickPlp::shippedPictures()
{
    return Pictures { QImage(QStringLiteral(":/notice/lamp_back.png")),
        QImage(QStringLiteral(":/notice/lamp_strip.png")) };
}

Frm_pelwickPlp *Frm_pelwickPlp::showLamp()
{
    if (!TheLamp) {
        TheLamp = new Frm_pelwickPlp;
        if (QCoreApplication *app = QCoreApplication::instance()) {
            // Without an owner nothing else deletes it; windows must go before the application.
            QObject::connect(app, &QCoreApplication::aboutToQuit, TheLamp, [] { delete TheLamp; });
        }
    }
    if (!TheLamp->isVisible())
        TheLamp->show();
    return TheLamp;
}

Frm_pelwickPlp *Frm_pelwickPlp::Lamp()
{
    return TheLamp;
}

void Frm_pelwickPlp::Form_Load()
{
    using namespace LampShape;
    m_loaded = true;

    if (m_givenScreenHeight > 0) {
        m_screenHeightPx = qint16(m_givenScreenHeight);
    } else {
        const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen();
        m_screenHeightPx = where ? qint16(where->geometry().height()) : 0;
    }
    m_magnify = LampShape::Magnify(m_screenHeightPx);
    const int side = qMax(0, lampWindowSide(m_magnify));
    resize(side, side);

    m_big = magnifyPicture(m_back, side);
    m_picBig->setPixmap(QPixmap::fromImage(m_big));
    m_picBig->resize(side, side);
    m_surface = m_big;

    m_runs = ScanOpaqueRuns(m_big);
    m_windowRegion = BuildRegionFromRuns(m_runs);
    // A picture of the key colour only gives no shape: the window stays square.
    if (!m_windowRegion.isEmpty())
        setMask(m_windowRegion);
    else
        clearMask();

    if (!m_placed) {
        m_placed = true;
        if (const QScreen *where = screen() ? screen() : QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), QSize(side, side));
            frame.moveCenter(where->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    m_timerLamp->start();
}

void Frm_pelwickPlp::Timer_Lamp_Timer()
{
    const QImage frame = m_strip.copy(LampShape::lampFrameRect(m_lampFrame));
    const QImage stretched = LampShape::magnifyPicture(frame, width());
    if (!stretched.isNull())
        m_surface = stretched;
    update();
    m_lampFrame = LampShape::nextLampFrame(m_lampFrame);
}

void Frm_pelwickPlp::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        Form_Load();
    QWidget::showEvent(event);
}

void Frm_pelwickPlp::closeEvent(QCloseEvent *event)
{
    m_timerLamp->stop();
    // Detach the shape before the window goes; the next showing builds it anew.
    clearMask();
    m_loaded = false;
    QWidget::closeEvent(event);
}

void Frm_pelwickPlp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    if (!m_windowRegion.isEmpty())
        painter.setClipRegion(m_windowRegion);
    if (m_surface.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, m_surface);
}

void Frm_pelwickPlp::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    // Only the left button closes: the right button neither drags nor closes the lamp.
    if (event->button() != Qt::LeftButton)
        return;
    m_timerLamp->stop();
    close();
}
