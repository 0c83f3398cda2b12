#pragma once
// Writes a key tree in the hive file format, as Windows lays it out: names compressed to one
// byte a character where they fit, subkey lists sorted with their name hashes (split through
// an index root when long), data past 16,344 bytes in segments, one shared security cell.
// The tests' empty hive and the benchmark's large one are made this way; libhivex reads them.

#include <cstdint>
#include <string>

#include "platform/key_tree.h"

namespace ordrex::testsupport {

struct HiveImageOptions {
  std::uint32_t primarySequence = 1;
  std::uint32_t secondarySequence = 1;
  std::uint32_t fileType = 0;  // 0: a hive; 6: a transaction log
};

// The whole file: the base block, then the hive bins holding `root` (named "ROOT") and
// everything below it.
std::string HiveImage(const KeyNode& root, const HiveImageOptions& options = {});

// Sets the sequence numbers in a base block and its checksum again.
void SetSequences(std::string& image, std::uint32_t primary, std::uint32_t secondary);

}  // namespace ordrex::testsupport
