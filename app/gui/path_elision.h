#pragma once
// A location shortened to the width of its label the way paths are shortened for display: the
// first folders give way to "...", then the drive, and at last only the final name is left.

#include <functional>
#include <string>

namespace ordrex::gui {

// `fits` says whether a text fits the label (measured with the label's font by the caller).
std::string ElidePath(const std::string& text, const std::function<bool(const std::string&)>& fits);

// The progress bar's position for the engine's (position, total), on a bar whose maximum is
// `maximum` (at least 1). Without a total the bar wraps around as the position grows.
int BarPosition(long long position, long long total, int maximum);

}  // namespace ordrex::gui
