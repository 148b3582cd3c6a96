#include "ui/logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace daxwel {

namespace {

// A small DIP package with `pins` legs a side, in the box `body`.
void DrawChip(QPainter& p, const QRectF& body, int pins) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xD8, 0xDC, 0xE0));
  const qreal pitch = body.width() / pins;
  const qreal leg = body.height() * 0.18;
  for (int i = 0; i < pins; ++i) {
    const qreal x = body.left() + pitch * (i + 0.3);
    p.drawRect(QRectF(x, body.top() - leg, pitch * 0.4, leg));
    p.drawRect(QRectF(x, body.bottom(), pitch * 0.4, leg));
  }
  p.setBrush(QColor(0x20, 0x22, 0x26));
  p.drawRoundedRect(body, 2, 2);
  p.setBrush(QColor(0x50, 0x54, 0x5A));
  const qreal notch = body.height() * 0.35;
  p.drawEllipse(QPointF(body.left(), body.center().y()), notch / 2, notch / 2);
}

}  // namespace

QImage DrawLogo() {
  QImage image(118, 70, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 70);
  sky.setColorAt(0, QColor(0x1E, 0x5A, 0xA8));
  sky.setColorAt(1, QColor(0x0B, 0x2A, 0x5C));
  p.setPen(QPen(QColor(0x0B, 0x2A, 0x5C), 1));
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(1.5, 1.5, 115, 67), 8, 8);

  DrawChip(p, QRectF(12, 10, 94, 16), 9);

  QFont name("Sans Serif");
  name.setPixelSize(19);
  name.setBold(true);
  name.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  p.setFont(name);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 30, 118, 24), Qt::AlignCenter, "MIRVANE");

  QFont tag("Sans Serif");
  tag.setPixelSize(9);
  p.setFont(tag);
  p.setPen(QColor(0xFF, 0xC8, 0x3C));
  p.drawText(QRectF(0, 52, 118, 12), Qt::AlignCenter, "electrónica");
  return image;
}

QImage DrawIcon(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = side / 64.0;
  p.scale(s, s);

  p.setPen(QPen(QColor(0x0B, 0x2A, 0x5C), 1.5));
  p.setBrush(QColor(0x1E, 0x5A, 0xA8));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  DrawChip(p, QRectF(12, 18, 40, 14), 5);

  // A programming arrow into the chip.
  p.setPen(QPen(QColor(0xFF, 0xC8, 0x3C), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(32, 56), QPointF(32, 42));
  QPainterPath head;
  head.moveTo(24, 44);
  head.lineTo(32, 36);
  head.lineTo(40, 44);
  p.drawPath(head);
  return image;
}

}  // namespace daxwel
