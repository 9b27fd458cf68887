#include "app/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace vistrel::app {

namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the size asked for.
class Canvas {
  public:
    explicit Canvas(int size) : image_(size, size, QImage::Format_ARGB32_Premultiplied) {
        image_.fill(Qt::transparent);
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.scale(size / 32.0, size / 32.0);
    }
    QPainter& p() { return painter_; }
    QImage finish() {
        painter_.end();
        return image_;
    }

  private:
    QImage image_;
    QPainter painter_;
};

const QColor kInk(0x33, 0x33, 0x40);
const QColor kPaper(0xfb, 0xfb, 0xf4);
const QColor kFolder(0xe8, 0xb8, 0x4a);
const QColor kHat(0x5b, 0x3f, 0xa8);
const QColor kSkin(0xf6, 0xd1, 0xa8);

void face(QPainter& p, QPointF centre, double r) {
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kSkin);
    p.drawEllipse(centre, r, r);
    p.setBrush(kInk);
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre + QPointF(-r * 0.38, -r * 0.15), r * 0.13, r * 0.17);
    p.drawEllipse(centre + QPointF(r * 0.38, -r * 0.15), r * 0.13, r * 0.17);
    p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - r * 0.5, centre.y() - r * 0.25, r, r * 0.8), -20 * 16, -140 * 16);
}

void page(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 6, r.top()), QPointF(r.right() - 6, r.top() + 6));
    p.drawLine(QPointF(r.right() - 6, r.top() + 6), QPointF(r.right(), r.top() + 6));
}

void lines(QPainter& p, QRectF r, int count) {
    p.setPen(QPen(QColor(0x8a, 0x8a, 0x9a), 1.5));
    for (int i = 0; i < count; ++i) {
        const double y = r.top() + 4 + i * 4;
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3 - (i % 2) * 3, y));
    }
}

void folder(QPainter& p, QColor colour) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(colour.darker(115));
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(14, 11);
    back.lineTo(29, 11);
    back.lineTo(29, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(colour);
    QPainterPath front;
    front.moveTo(3, 27);
    front.lineTo(7, 15);
    front.lineTo(31, 15);
    front.lineTo(28, 27);
    front.closeSubpath();
    p.drawPath(front);
}

void letter(QPainter& p, bool italic) {
    // Drawn as strokes, so that the pictures do not depend on the fonts installed.
    p.setPen(QPen(kInk, italic ? 3.0 : 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (italic) {
        p.drawLine(QPointF(18, 6), QPointF(13, 26));
        p.drawLine(QPointF(14, 6), QPointF(22, 6));
        p.drawLine(QPointF(9, 26), QPointF(17, 26));
        return;
    }
    QPainterPath b;
    b.moveTo(10, 5);
    b.lineTo(10, 27);
    b.lineTo(17, 27);
    b.cubicTo(25, 27, 25, 16, 17, 16);
    b.lineTo(10, 16);
    b.moveTo(10, 5);
    b.lineTo(16, 5);
    b.cubicTo(23, 5, 23, 16, 16, 16);
    p.drawPath(b);
}

void badge(QPainter& p, bool plus) {
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(plus ? QColor(0x2e, 0x9d, 0x4f) : QColor(0xc6, 0x3d, 0x32));
    p.drawEllipse(QPointF(24, 24), 7, 7);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20.5, 24), QPointF(27.5, 24));
    if (plus)
        p.drawLine(QPointF(24, 20.5), QPointF(24, 27.5));
}

QImage drawPicture(CommandPicture picture, int size) {
    Canvas canvas(size);
    QPainter& p = canvas.p();
    switch (picture) {
        case CommandPicture::New:
            page(p, QRectF(7, 3, 18, 26));
            break;
        case CommandPicture::Open:
            folder(p, kFolder);
            break;
        case CommandPicture::Save: {  // a disk
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(0x3d, 0x6f, 0xb6));
            p.drawRoundedRect(QRectF(4, 4, 24, 24), 2.5, 2.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(8, 4, 16, 10));
            p.setBrush(QColor(0xd8, 0xd8, 0xe0));
            p.drawRect(QRectF(9, 19, 14, 9));
            p.setBrush(kInk);
            p.drawRect(QRectF(19, 6, 3, 6));
            break;
        }
        case CommandPicture::Cut: {  // scissors
            p.setPen(QPen(kInk, 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(11, 4), QPointF(20, 21));
            p.drawLine(QPointF(21, 4), QPointF(12, 21));
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(0xc6, 0x3d, 0x32), 2.2));
            p.drawEllipse(QPointF(10, 24), 4, 4);
            p.drawEllipse(QPointF(22, 24), 4, 4);
            break;
        }
        case CommandPicture::Copy:  // two pages
            page(p, QRectF(4, 3, 15, 20));
            page(p, QRectF(13, 9, 15, 20));
            lines(p, QRectF(13, 12, 15, 16), 3);
            break;
        case CommandPicture::Paste: {  // a clipboard with a page
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(0xb0, 0x7a, 0x45));
            p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
            p.setBrush(QColor(0xc8, 0xc8, 0xd0));
            p.drawRoundedRect(QRectF(10, 3, 10, 5), 1.5, 1.5);
            page(p, QRectF(14, 12, 14, 18));
            lines(p, QRectF(14, 14, 14, 14), 3);
            break;
        }
        case CommandPicture::Bold:
            letter(p, false);
            break;
        case CommandPicture::Italic:
            letter(p, true);
            break;
        case CommandPicture::CharacterFolder:
            folder(p, kFolder);
            face(p, QPointF(18, 20), 6);
            break;
        case CommandPicture::LoadCharacters:
            face(p, QPointF(14, 14), 10);
            badge(p, true);
            break;
        case CommandPicture::UnloadAll:
            face(p, QPointF(14, 14), 10);
            badge(p, false);
            break;
        case CommandPicture::Stop:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(0xc6, 0x3d, 0x32));
            p.drawRoundedRect(QRectF(7, 7, 18, 18), 2.5, 2.5);
            break;
        case CommandPicture::Play: {
            QPainterPath triangle;
            triangle.moveTo(9, 5);
            triangle.lineTo(27, 16);
            triangle.lineTo(9, 27);
            triangle.closeSubpath();
            p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(QColor(0x2e, 0x9d, 0x4f));
            p.drawPath(triangle);
            break;
        }
    }
    return canvas.finish();
}

}  // namespace

QImage programIcon(int size) {
    Canvas canvas(size);
    QPainter& p = canvas.p();
    // The speech balloon behind, on the right.
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(Qt::white);
    QPainterPath balloon;
    balloon.addRoundedRect(QRectF(17, 2, 14, 10), 4, 4);
    QPainterPath tail;
    tail.moveTo(20, 11);
    tail.lineTo(17, 15);
    tail.lineTo(24, 11.5);
    balloon = balloon.united(tail);
    p.drawPath(balloon);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(20.5 + i * 3.5, 7), 1.0, 1.0);
    // The face, then the hat over it.
    face(p, QPointF(13, 22), 8.5);
    QPainterPath hat;
    hat.moveTo(2.5, 16.5);
    hat.quadTo(13, 12.5, 23.5, 16.5);
    hat.lineTo(14.5, 1.5);
    hat.closeSubpath();
    p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kHat);
    p.drawPath(hat);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf5, 0xd0, 0x3b));
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2) ? 1.1 : 2.6;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(13.5 + r * std::cos(a), 10 + r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);
    return canvas.finish();
}

QIcon commandIcon(CommandPicture picture) {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(drawPicture(picture, size)));
    return icon;
}

}  // namespace vistrel::app
