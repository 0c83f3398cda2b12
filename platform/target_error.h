#pragma once
// A target that cannot be opened at all (its folder is missing, it is not what the user said
// it is, its files cannot be read). The message is one sentence meant for the user and names
// the folder or file concerned.

#include <stdexcept>

namespace ordrex {

class TargetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ordrex
