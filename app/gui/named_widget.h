#pragma once
// Controls are found by their names: by the tests, the screenshots and the pages that refer to
// each other. Every named control is made through this one place.

#include <utility>

namespace ordrex::gui {

template <typename Widget, typename... Args>
Widget* MakeNamed(const char* objectName, Args&&... args) {
  auto* widget = new Widget(std::forward<Args>(args)...);
  widget->setObjectName(objectName);
  return widget;
}

}  // namespace ordrex::gui
