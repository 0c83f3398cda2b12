#pragma once
// The pictures of the lists and the busy animation. Icons come from the desktop's theme, so
// the window looks at home; where a theme lacks one, the style's own picture stands in.

#include <QIcon>
#include <QWidget>

class QTimer;

namespace ordrex::gui {

enum class Picture {
  High,  // a category's severity is its picture: 0 High, 1 Medium, 2 Low
  Medium,
  Low,
  NoProblem,
  Skipped,
  Finished,   // a repair row that is done
  InProgress  // a repair row being worked on
};

QIcon PictureIcon(Picture picture);
// The picture of a severity value; an unknown value has none.
QIcon SeverityIcon(int severity);

// A turning arc shown while a scan or a repair runs. It animates only while visible, so a
// hidden one costs nothing.
class BusyIndicator : public QWidget {
  Q_OBJECT

 public:
  explicit BusyIndicator(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {22, 22}; }
  int Angle() const { return angle_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer* timer_ = nullptr;
  int angle_ = 0;
};

}  // namespace ordrex::gui
