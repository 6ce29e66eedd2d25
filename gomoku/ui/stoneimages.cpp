#include "stoneimages.h"

#include <QPainter>
#include <QRadialGradient>

namespace StoneImages {

namespace {

void drawStone(QPainter &p, const QRectF &box, bool white)
{
    // A light source at the upper left gives the stones some body.
    QRadialGradient shade(box.left() + box.width() * 0.35, box.top() + box.height() * 0.35, box.width() * 0.7);
    if (white) {
        shade.setColorAt(0, QColor(255, 255, 255));
        shade.setColorAt(1, QColor(200, 200, 200));
        p.setPen(QPen(Qt::black, box.width() / 20.0));
    } else {
        shade.setColorAt(0, QColor(110, 110, 110));
        shade.setColorAt(1, QColor(0, 0, 0));
        p.setPen(Qt::NoPen);
    }
    p.setBrush(shade);
    p.drawEllipse(box);
}

} // namespace

QImage stone(int index, const QColor &background, const QSize &pixels)
{
    QImage image(pixels.isValid() ? pixels : QSize(ImageSize, ImageSize), QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn in the picture's own 32 x 32 units at whatever size it has.
    p.scale(image.width() / double(ImageSize), image.height() / double(ImageSize));
    const bool white = index % 2 == 1;
    drawStone(p, QRectF(1.5, 1.5, ImageSize - 3, ImageSize - 3), white);
    if (index >= MarkedOffset) {
        const QRectF mark(ImageSize / 2.0 - 5, ImageSize / 2.0 - 5, 10, 10);
        if (white) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 0, 0));
        } else {
            p.setPen(QPen(Qt::white, 2));
            p.setBrush(QColor(255, 230, 0));
        }
        p.drawEllipse(mark);
    }
    return image;
}

} // namespace StoneImages
