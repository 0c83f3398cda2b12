#pragma once
// A number box that lets the user type a number past its limits and then holds it within them:
// "150" typed into a box of 1 to 99 becomes 99 when the typing ends, "0" becomes 1. A plain
// spin box would refuse the third key and leave "15".

#include <QSpinBox>
#include <algorithm>

namespace ordrex::gui {

class HeldSpinBox : public QSpinBox {
 public:
  HeldSpinBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  }

  QValidator::State validate(QString& text, int& pos) const override {
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid) return state;
    bool number = false;
    text.trimmed().toLongLong(&number);
    return number ? QValidator::Intermediate : QValidator::Invalid;
  }

  void fixup(QString& text) const override {
    bool number = false;
    const qlonglong typed = text.trimmed().toLongLong(&number);
    if (number) text = QString::number(std::clamp<qlonglong>(typed, minimum(), maximum()));
  }
};

}  // namespace ordrex::gui
