// How the COM and file-association walks scale: the prefix of scan_prefix.h is opened and
// scanned once, every category enabled.
// Targets: the scan takes at most three times as long as opening the prefix, and the process
// grows by at most three times the size of the registry files.
//
//   scan_bench [folder]   (default: a new folder under the temporary folder, removed after)

#include <cstdio>

#include "bench/bench_support.h"
#include "bench/scan_prefix.h"

using namespace ordrex;
using namespace ordrex::bench;

int main(int argc, char** argv) {
  const BenchPrefix prefix(argc, argv, "scan-bench", scan_prefix::WriteScanPrefix);
  return TimeScan(
      prefix.Path(), [](TOrdrex&) {},
      [](TOrdrex& engine) {
        std::printf(
            "problems         registry integrity %d, ActiveX/COM %d, interface %d, "
            "file associations %d; missing-file names %d\n",
            engine.RegIntegrity.Count(), engine.ActiveX.Count(), engine.Interface.Count(),
            engine.FileAssociate.Count(), engine.ErrorFileCount());
      });
}
