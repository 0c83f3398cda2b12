#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanFileAssociations(TOrdrex&, TRegistry&, std::string_view) {}
void ScanOpenWith(TOrdrex&, TRegistry&, std::string_view) {}
void ScanUserFileExts(TOrdrex&, TRegistry&) {}

}  // namespace ordrex::rules
