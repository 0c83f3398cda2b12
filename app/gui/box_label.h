#pragma once
// The text beside a check box that has none of its own: clicking it clicks the box, so the box's
// rule runs as if the box itself was clicked. A label made with `tickOnly` only ticks its box: a
// click leaves a ticked box as it is (for a pair of boxes of which exactly one is ticked).

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>

namespace ordrex::gui {

class BoxLabel : public QLabel {
 public:
  BoxLabel(const QString& text, QCheckBox* box, QWidget* parent, bool tickOnly = false)
      : QLabel(text, parent), box_(box), tickOnly_(tickOnly) {
    setBuddy(box);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        box_->isEnabled() && !(tickOnly_ && box_->isChecked())) {
      box_->click();
    }
  }

 private:
  QCheckBox* box_;
  bool tickOnly_;
};

}  // namespace ordrex::gui
