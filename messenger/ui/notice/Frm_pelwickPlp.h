#pragma once

#include "lampshape.h"

#include <QImage>
#include <QList>
#include <QRegion>
#include <QWidget>

class QLabel;
class QTimer;

// The lamp pop-up: a frameless, always-on-top window in the shape of a large
// warning lamp whose reflector turns (five frames, 100 ms each) until the
// user double-clicks it. Shown without taking the focus; dragged with the
// left button. The window object outlives its closing, so a lamp shown again
// continues the cycle where it stopped.
class Frm_pelwickPlp : public QWidget
{
    Q_OBJECT
public:
    // The lamp's artwork: the 40 × 40 base picture whose non-key pixels give
    // the shape, and the 40 × 200 strip of five animation frames.
    struct Pictures
    {
        QImage back;
        QImage strip;
    };

    // pictures: the shipped artwork when left empty. screenHeightPx: the
    // height the size is derived from; 0 takes the height of the screen the
    // window opens on.
    explicit Frm_pelwickPlp(const Pictures &pictures = {}, int screenHeightPx = 0);
    ~Frm_pelwickPlp() override;

    // Shows the program's one lamp pop-up, modeless and without an owner,
    // creating it on first use; an open lamp stays as it is. The window lives
    // until the application ends.
    static Frm_pelwickPlp *showLamp();
    // The lamp of showLamp, open or closed, or nullptr before its first use.
    static Frm_pelwickPlp *Lamp();

    static Pictures shippedPictures();

    // One animation step: draws frame LampFrame stretched over the window and
    // moves LampFrame on (0..4, then 0 again).
    void Timer_Lamp_Timer();

    qint16 LampFrame() const { return m_lampFrame; }
    qint16 Magnify() const { return m_magnify; }
    qint16 ScreenHeightPx() const { return m_screenHeightPx; }
    // The shape applied at the last load; empty when none could be built.
    const QRegion &WindowRegion() const { return m_windowRegion; }
    const QList<LampShape::PixelRun> &Runs() const { return m_runs; }
    // What the window shows now.
    const QImage &Surface() const { return m_surface; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void Form_Load();

    QLabel *m_picBack = nullptr;
    QLabel *m_picture1 = nullptr;
    QLabel *m_picBig = nullptr;
    QTimer *m_timerLamp = nullptr;

    QImage m_back;
    QImage m_strip;
    QImage m_big;
    QImage m_surface;
    QRegion m_windowRegion;
    QList<LampShape::PixelRun> m_runs;

    int m_givenScreenHeight = 0;
    qint16 m_lampFrame = 0;
    qint16 m_magnify = 0;
    qint16 m_screenHeightPx = 0;
    bool m_loaded = false;
    bool m_placed = false;
};
