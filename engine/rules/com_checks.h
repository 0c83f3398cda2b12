#pragma once
// The key checks the COM registration walks share. Each takes the full path of a key that
// exists under the accessor's root (HKEY_CLASSES_ROOT in a scan), reads the key's default
// value as a cleaned path (string types only) and reports to the given category. Each opens
// the key itself and leaves the accessor with no key open.

#include <string>
#include <string_view>

#include "engine/ordrex.h"
#include "engine/registry.h"

namespace ordrex::rules {

// A file the default value names: "File not found".
void CheckDefaultFile(TOrdrex& engine, TRegistry& reg, const std::string& key,
                      TCustomOrdrex& category);
// A file or folder the default value names, where a trailing resource number
// ("C:\lib\x.tlb\2") or backslash ("C:\Docs\Help\") is not part of the path.
void CheckDefaultPath(TOrdrex& engine, TRegistry& reg, const std::string& key,
                      TCustomOrdrex& category, bool missingFile, const std::string& reason);
// A folder the default value names (a trailing backslash aside): "Path not found".
void CheckHelpFolder(TOrdrex& engine, TRegistry& reg, const std::string& key,
                     TCustomOrdrex& category);
// A class identifier under "\CLSID\", or a class name at the root: "Empty" or "Missing ID".
void CheckClsidRef(TOrdrex& engine, TRegistry& reg, const std::string& key,
                   TCustomOrdrex& category);
// An identifier registered under the prefix ("\CLSID\" or "\TypeLib\"), or a class name at
// the root: "Missing ID".
void CheckIdRef(TOrdrex& engine, TRegistry& reg, const std::string& key, TCustomOrdrex& category,
                std::string_view prefix);

}  // namespace ordrex::rules
