#pragma once
// The text beside a check box that has none of its own: clicking it clicks the box, so the box's
// rule runs as if the box itself was clicked.

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>

namespace ordrex::gui {

class BoxLabel : public QLabel {
 public:
  BoxLabel(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setBuddy(box);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        box_->isEnabled()) {
      box_->click();
    }
  }

 private:
  QCheckBox* box_;
};

}  // namespace ordrex::gui
