#include "ui/pictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace gaintool::ui {

namespace {

// Drawn on the window's face colour, so that anti-aliased edges blend into the face once the
// background is made transparent.
const QColor kFace(0xF0, 0xF0, 0xF0);
const QColor kDeepBlue(0x1F, 0x4E, 0x8C);
const QColor kBrightBlue(0x3A, 0x8E, 0xDB);
const QColor kAmber(0xF2, 0xA9, 0x00);

// The logo: a round badge holding the bars of a level meter, the middle one highlighted, like a
// gain being set.
void DrawLogo(QPainter& p, const QRectF& area) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF badge = area.adjusted(1, 1, -1, -1);
  QLinearGradient fill(badge.topLeft(), badge.bottomRight());
  fill.setColorAt(0, kBrightBlue);
  fill.setColorAt(1, kDeepBlue);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawEllipse(badge);

  constexpr std::array<double, 5> kLevels{0.30, 0.55, 0.85, 0.60, 0.40};
  const double bar = badge.width() / 11.0;
  const double floor = badge.top() + badge.height() * 0.76;
  const double tallest = badge.height() * 0.52;
  for (std::size_t i = 0; i < kLevels.size(); ++i) {
    const double left =
        badge.left() + badge.width() / 2 + (static_cast<double>(i) - 2.5) * bar * 1.6 + bar * 0.3;
    const double height = tallest * kLevels[i];
    p.setBrush(i == 2 ? kAmber : QColor(Qt::white));
    p.drawRoundedRect(QRectF(left, floor - height, bar, height), bar / 3, bar / 3);
  }
}

QImage Logo(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(kFace);
  QPainter p(&image);
  const double side = std::min(width, height);
  DrawLogo(p, QRectF((width - side) / 2, (height - side) / 2, side, side));
  return image;
}

// The wordmark: the name in bold capitals, scaled to fill the picture, over a thin amber rule.
QImage Wordmark(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(kFace);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(64);
  QPainterPath text;
  text.addText(0, 0, font, QStringLiteral("TESSORA"));
  const QRectF bounds = text.boundingRect();
  const QRectF target(1, 1, width - 2, height - 5);
  QTransform fit;
  fit.translate(target.left(), target.top());
  fit.scale(target.width() / bounds.width(), target.height() / bounds.height());
  fit.translate(-bounds.left(), -bounds.top());
  p.setPen(Qt::NoPen);
  p.setBrush(kDeepBlue);
  p.drawPath(fit.map(text));
  p.setBrush(kAmber);
  p.drawRect(QRectF(1, height - 3, width - 2, 2));
  return image;
}

}  // namespace

QImage WithLowerLeftTransparent(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  if (out.isNull()) return out;
  const QRgb key = out.pixel(0, out.height() - 1);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if (line[x] == key) line[x] = qRgba(0, 0, 0, 0);
    }
  }
  return out;
}

QPixmap LayoutPicture(std::string_view name) {
  if (name == "logo") return QPixmap::fromImage(WithLowerLeftTransparent(Logo(66, 64)));
  if (name == "wordmark") return QPixmap::fromImage(WithLowerLeftTransparent(Wordmark(103, 21)));
  return {};
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawLogo(p, QRectF(0, 0, size, size));
    p.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace gaintool::ui
