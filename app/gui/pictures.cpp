#include "app/gui/pictures.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTimer>

namespace ordrex::gui {

QIcon PictureIcon(Picture picture) {
  struct Source {
    const char* themeName;
    QStyle::StandardPixmap fallback;
  };
  static constexpr Source kSources[] = {
      {"dialog-error", QStyle::SP_MessageBoxCritical},
      {"dialog-warning", QStyle::SP_MessageBoxWarning},
      {"dialog-information", QStyle::SP_MessageBoxInformation},
      {"emblem-ok", QStyle::SP_DialogApplyButton},
      {"media-skip-forward", QStyle::SP_MediaSkipForward},
      {"emblem-ok", QStyle::SP_DialogApplyButton},
      {"view-refresh", QStyle::SP_BrowserReload},
  };
  const Source& source = kSources[static_cast<int>(picture)];
  return QIcon::fromTheme(source.themeName, QApplication::style()->standardIcon(source.fallback));
}

QIcon SeverityIcon(int severity) {
  if (severity < 0 || severity > 2) return {};
  return PictureIcon(static_cast<Picture>(severity));
}

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  timer_->setInterval(60);
  connect(timer_, &QTimer::timeout, this, [this] {
    angle_ = (angle_ + 30) % 360;
    update();
  });
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height()) - 4;
  const QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  QPen pen(palette().color(QPalette::Highlight), 3);
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  // Qt counts arcs in sixteenths of a degree, anticlockwise; a 270 degree arc turning clockwise.
  painter.drawArc(box, -angle_ * 16, 270 * 16);
}

void BusyIndicator::showEvent(QShowEvent*) {
  timer_->start();
}

void BusyIndicator::hideEvent(QHideEvent*) {
  timer_->stop();
}

}  // namespace ordrex::gui
