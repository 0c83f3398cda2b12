#include "platform/hive/hive_store.h"

#include <fcntl.h>
#include <hivex.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace ordrex {

namespace {

namespace fs = std::filesystem;

// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kTicks1601To1970 = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

// Hives of format 1.4 and later keep data longer than this in segments (a "db" cell); Windows
// reads longer data from any other cell as garbage. libhivex writes every value as one cell.
constexpr std::size_t kMaxUnsegmentedData = 16344;
constexpr std::uint32_t kFirstSegmentingMinorVersion = 4;

// What libhivex allocates with malloc, freed when it goes out of scope.
template <typename T>
struct Freed {
  T* p = nullptr;
  Freed() = default;
  explicit Freed(T* pointer) : p(pointer) {}
  Freed(Freed&& other) noexcept : p(other.p) { other.p = nullptr; }
  Freed& operator=(Freed&& other) noexcept {
    std::swap(p, other.p);
    return *this;
  }
  ~Freed() { std::free(p); }
};

std::string ErrnoText(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
}

// A value type as a plain number: hive files hold any 32-bit type (0x100000 and the like),
// which hive_type as an enum cannot represent.
std::uint32_t TypeNumber(const hive_type& type) {
  std::uint32_t number = 0;
  static_assert(sizeof(number) == sizeof(type));
  std::memcpy(&number, &type, sizeof number);
  return number;
}

// Stores the type without ever holding it in a hive_type variable.
void SetHiveType(hive_type& type, std::uint32_t number) {
  std::memcpy(&type, &number, sizeof number);
}

// The key's path from the root, for messages.
std::string PathOf(const KeyNode& key) {
  std::string path;
  for (const KeyNode* node = &key; node->Parent() != nullptr; node = node->Parent())
    path = JoinKeyPath(node->Name(), path);
  return path.empty() ? std::string("the root key") : path;
}

std::uint32_t LittleEndian(const unsigned char* bytes, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i > 0; --i)
    value = value << 8 | bytes[i - 1];
  return value;
}

// Key and value names. libhivex converts UTF-16 names with iconv, which refuses names Windows
// accepts (an unpaired surrogate); such a name is read from its cell and converted by the
// program's own rules, as all registry text is.
class NameReader {
 public:
  NameReader(hive_h* h, const fs::path& file) : h_(h), file_(file) {}
  ~NameReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  NameReader(const NameReader&) = delete;
  NameReader& operator=(const NameReader&) = delete;

  std::optional<std::string> KeyName(hive_node_h node) {
    return Read(hivex_node_name(h_, node), node, true);
  }
  std::optional<std::string> ValueName(hive_value_h value) {
    return Read(hivex_value_key(h_, value), value, false);
  }

 private:
  std::optional<std::string> Read(char* converted, std::size_t cell, bool key) {
    if (converted != nullptr) {
      Freed<char> freed(converted);
      return std::string(converted);
    }
    const int error = errno;
    std::optional<std::string> name = FromCell(cell, key);
    errno = error;
    return name;
  }

  // The name stored in a key's "nk" or a value's "vk" cell (at `cell`, its size field).
  std::optional<std::string> FromCell(std::size_t cell, bool key) {
    if (fd_ < 0) fd_ = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return std::nullopt;
    const std::size_t headSize = key ? 0x50 : 0x18;
    unsigned char head[0x50];
    if (::pread(fd_, head, headSize, static_cast<off_t>(cell)) != static_cast<ssize_t>(headSize) ||
        std::memcmp(head + 4, key ? "nk" : "vk", 2) != 0) {
      return std::nullopt;
    }
    const auto cellSize = static_cast<std::int32_t>(LittleEndian(head, 4));
    const std::size_t length = LittleEndian(head + (key ? 0x4C : 0x06), 2);
    const bool compressed = key ? (LittleEndian(head + 0x06, 2) & 0x20) != 0
                                : (LittleEndian(head + 0x14, 2) & 0x01) != 0;
    // A used cell has a negative size, and the name must lie inside it.
    if (cellSize >= 0 || headSize + length > static_cast<std::size_t>(-std::int64_t{cellSize})) {
      return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(length);
    if (::pread(fd_, bytes.data(), length, static_cast<off_t>(cell + headSize)) !=
        static_cast<ssize_t>(length)) {
      return std::nullopt;
    }
    if (!compressed) return Utf16LeBytesToUtf8(bytes.data(), bytes.size());
    std::string name;  // one byte a character: Latin-1
    for (const std::uint8_t byte : bytes)
      AppendUtf8(name, byte);
    return name;
  }

  hive_h* h_;
  const fs::path& file_;
  int fd_ = -1;
};

}  // namespace

struct HiveStore::Hivex {
  using Names = std::unordered_map<std::string, hive_node_h>;

  hive_h* handle = nullptr;
  // The subkeys of each key searched so far, by their exact names. libhivex searches a key's
  // subkeys one by one, converting every name; a repair of many keys below a large key (CLSID
  // has tens of thousands of subkeys) would repeat that for every key.
  std::unordered_map<hive_node_h, Names> subkeys;

  ~Hivex() {
    if (handle != nullptr) hivex_close(handle);
  }

  // nullptr when libhivex cannot list them.
  Names* SubkeysOf(hive_node_h node) {
    if (const auto found = subkeys.find(node); found != subkeys.end()) return &found->second;
    Freed<hive_node_h> children(hivex_node_children(handle, node));
    if (children.p == nullptr) return nullptr;
    Names& names = subkeys[node];
    for (const hive_node_h* child = children.p; *child != 0; ++child) {
      // A name libhivex cannot convert is left out: keys below it cannot be changed.
      Freed<char> name(hivex_node_name(handle, *child));
      if (name.p != nullptr) names.emplace(name.p, *child);
    }
    return &names;
  }

  void Added(hive_node_h parent, const std::string& name, hive_node_h child) {
    // libhivex may place the new key where a deleted one was: what was known of that is void.
    subkeys.erase(child);
    if (const auto found = subkeys.find(parent); found != subkeys.end())
      found->second.emplace(name, child);
  }

  void Deleted(hive_node_h parent, const std::string& name, hive_node_h child) {
    subkeys.erase(child);
    if (const auto found = subkeys.find(parent); found != subkeys.end()) found->second.erase(name);
  }
};

HiveStore::HiveStore(fs::path file, bool writable)
    : file_(std::move(file)), writable_(writable), hivex_(std::make_unique<Hivex>()) {}

HiveStore::~HiveStore() = default;

std::unique_ptr<HiveStore> HiveStore::Open(const fs::path& file, bool writable) {
  std::unique_ptr<HiveStore> store(new HiveStore(file, writable));
  store->header_ = ReadHiveHeader(file);
  store->dirtyReason_ = HiveDirtyReason(file, store->header_);
  // A hive that may not be written is opened without libhivex's writable copy of the file.
  const bool mayWrite = writable && store->dirtyReason_.empty();
  store->hivex_->handle = hivex_open(file.c_str(), mayWrite ? HIVEX_OPEN_WRITE : 0);
  if (store->hivex_->handle == nullptr) {
    throw TargetError(file.string() + ": damaged hive: " + ErrnoText(errno));
  }
  store->Load();
  // Only writes need libhivex's copy of the hive: a store that is never written lets it go.
  if (!mayWrite) store->hivex_.reset();
  return store;
}

void HiveStore::Load() {
  hive_h* h = hivex_->handle;
  const hive_node_h root = hivex_root(h);
  if (root == 0) throw TargetError(file_.string() + ": damaged hive: no root key");
  // "<file>: damaged hive: <what> <key>[: <libhivex's reason>]"; `what` ends in "of" or "in".
  const auto damaged = [&](const KeyNode& key, const std::string& what) {
    const int reason = errno;
    // libhivex refuses lists and data beyond its own limits (a value of more than 8 MB, for
    // one) with ERANGE: the hive may well be sound.
    if (reason == ERANGE) {
      return TargetError(file_.string() + ": " + what + " " + PathOf(key) +
                         ": it holds more than this program can read");
    }
    return TargetError(file_.string() + ": damaged hive: " + what + " " + PathOf(key) +
                       (reason != 0 ? ": " + ErrnoText(reason) : std::string()));
  };

  // Cells lie on 8-byte boundaries: one bit per possible cell marks the keys already read, so
  // a key listed twice (or listed below itself) ends the load instead of looping.
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file_, error);
  std::vector<bool> seen(error ? 0 : size / 8 + 1);
  const auto firstVisit = [&](hive_node_h node) {
    if (node / 8 >= seen.size() || seen[node / 8]) return false;
    seen[node / 8] = true;
    return true;
  };

  NameReader names(h, file_);
  const std::optional<std::string> rootName = names.KeyName(root);
  if (!rootName) throw damaged(Root(), "cannot read the name of");
  rootName_ = *rootName;
  firstVisit(root);

  struct Pending {
    hive_node_h node;
    KeyNode* key;
    std::size_t depth;
  };
  std::vector<Pending> pending{{root, &Root(), 0}};
  while (!pending.empty()) {
    const Pending current = pending.back();
    pending.pop_back();
    KeyNode& key = *current.key;

    Freed<hive_value_h> valueList(hivex_node_values(h, current.node));
    if (valueList.p == nullptr) throw damaged(key, "cannot read the values of");
    for (const hive_value_h* value = valueList.p; *value != 0; ++value) {
      const std::optional<std::string> name = names.ValueName(*value);
      if (!name) throw damaged(key, "cannot read a value's name in");
      hive_type type;
      std::size_t length = 0;
      errno = 0;
      Freed<char> data(hivex_value_value(h, *value, &type, &length));
      if (data.p == nullptr && length != 0) {
        throw damaged(key, "cannot read the value \"" + *name + "\" of");
      }
      if (key.FindValue(*name) != nullptr) {
        errno = 0;
        throw damaged(key, "two values named \"" + *name + "\" in");
      }
      key.AppendNewValue(StoredValue(*name, TypeNumber(type),
                                     reinterpret_cast<const std::uint8_t*>(data.p), length));
    }

    Freed<hive_node_h> children(hivex_node_children(h, current.node));
    if (children.p == nullptr) throw damaged(key, "cannot read the subkeys of");
    if (children.p[0] != 0 && current.depth + 1 > kMaxKeyDepth) {
      errno = 0;
      throw damaged(key, "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels in");
    }
    const std::size_t firstChild = pending.size();
    for (const hive_node_h* child = children.p; *child != 0; ++child) {
      if (!firstVisit(*child)) {
        errno = 0;
        throw damaged(key, "a subkey listed twice in");
      }
      std::optional<std::string> name = names.KeyName(*child);
      if (!name) throw damaged(key, "cannot read a subkey's name in");
      if (key.FindChild(*name) != nullptr) {
        errno = 0;
        throw damaged(key, "two subkeys named \"" + *name + "\" in");
      }
      KeyNode& childKey = key.AppendNewChild(std::move(*name));
      const std::int64_t ticks = hivex_node_timestamp(h, *child);
      if (ticks > 0) childKey.Meta().modified = (ticks - kTicks1601To1970) / kTicksPerSecond;
      pending.push_back(Pending{*child, &childKey, current.depth + 1});
    }
    // Depth first, in the hive's order.
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
  }
}

std::string HiveStore::DirtyWarning() const {
  if (dirtyReason_.empty()) return {};
  return file_.string() +
         " was not shut down cleanly: it is shown as last flushed, without the changes Windows "
         "still holds in its transaction logs";
}

std::string HiveStore::WriteBlocker() const {
  if (!dirtyReason_.empty()) {
    return dirtyReason_ + "; start Windows and shut it down fully before changing it";
  }
  if (!externalBlocker_.empty()) return externalBlocker_;
  if (!writable_) return file_.string() + " is opened read-only";
  return {};
}

void HiveStore::KeyChanged(KeyNode& node) {
  node.Meta().changed = true;
  changed_ = true;
}

hive_node_h HiveStore::HiveNodeOf(const KeyNode& key) const {
  std::vector<const KeyNode*> chain;
  for (const KeyNode* node = &key; node->Parent() != nullptr; node = node->Parent())
    chain.push_back(node);
  hive_node_h node = hivex_root(hivex_->handle);
  for (auto it = chain.rbegin(); it != chain.rend() && node != 0; ++it) {
    const Hivex::Names* names = hivex_->SubkeysOf(node);
    const auto found =
        names != nullptr ? names->find((*it)->Name()) : Hivex::Names::const_iterator();
    node = names != nullptr && found != names->end() ? found->second : 0;
  }
  if (node == 0) {
    throw RegistryError(file_.string() + ": the key " + PathOf(key) +
                        " cannot be found in the hive by this program");
  }
  return node;
}

void HiveStore::CreateKey(std::string_view path) {
  CheckWritable();
  if (const std::size_t depth = KeyPathDepth(path); depth > kMaxKeyDepth) {
    throw RegistryError("Cannot create a key " + std::to_string(depth) +
                        " levels deep: keys nest at most " + std::to_string(kMaxKeyDepth) +
                        " levels");
  }
  KeyNode* key = &Root();
  hive_node_h node = 0;
  for (std::string_view part : SplitKeyPath(path)) {
    if (KeyNode* child = key->FindChild(part)) {
      key = child;
      node = 0;
      continue;
    }
    const hive_node_h parent = node != 0 ? node : HiveNodeOf(*key);
    const std::string name(part);
    node = hivex_node_add_child(hivex_->handle, parent, name.c_str());
    if (node == 0) {
      throw RegistryError(file_.string() + ": cannot create the key " +
                          JoinKeyPath(PathOf(*key), name) + ": " + ErrnoText(errno));
    }
    hivex_->Added(parent, name, node);
    KeyNode& child = key->AppendNewChild(name);
    KeyChanged(*key);
    KeyChanged(child);
    key = &child;
  }
}

bool HiveStore::DeleteKey(std::string_view path) {
  CheckWritable();
  KeyNode* key = FindKey(path);
  if (key == nullptr || key->Parent() == nullptr) return false;
  const hive_node_h parent = HiveNodeOf(*key->Parent());
  const hive_node_h node = HiveNodeOf(*key);
  if (hivex_node_delete_child(hivex_->handle, node) != 0) {
    throw RegistryError(file_.string() + ": cannot delete the key " + PathOf(*key) + ": " +
                        ErrnoText(errno));
  }
  hivex_->Deleted(parent, key->Name(), node);
  return MemoryStore::DeleteKey(path);
}

void HiveStore::CheckValuesWritable(const KeyNode& key, std::string_view changed,
                                    std::size_t newSize) const {
  if (header_.minorVersion < kFirstSegmentingMinorVersion) return;
  // libhivex writes a key's values all over again when one of them changes.
  bool tooLarge = newSize > kMaxUnsegmentedData;
  for (const StoredValue& value : key.Values()) {
    if (value.DataSize() > kMaxUnsegmentedData && !SameText(value.Name(), changed)) tooLarge = true;
  }
  if (tooLarge) {
    throw RegistryError(file_.string() + ": the key " + PathOf(key) +
                        " would hold a value of more than " + std::to_string(kMaxUnsegmentedData) +
                        " bytes, which cannot be written in the form Windows reads; the key is "
                        "left unchanged");
  }
}

void HiveStore::SetValue(std::string_view path, std::string_view name, RegValue value) {
  CheckWritable();
  KeyNode* key = FindKey(path);
  if (key == nullptr) throw RegistryError("The key " + std::string(path) + " does not exist");
  CheckValuesWritable(*key, name, value.data.size());
  // libhivex matches value names by ASCII case only: give it the name as the hive has it.
  const StoredValue* existing = key->FindValue(name);
  std::string hiveName(existing != nullptr ? existing->Name() : name);
  hive_set_value setting{};
  setting.key = hiveName.data();
  SetHiveType(setting.t, value.type);
  setting.len = value.data.size();
  setting.value = reinterpret_cast<char*>(value.data.data());
  if (hivex_node_set_value(hivex_->handle, HiveNodeOf(*key), &setting, 0) != 0) {
    throw RegistryError(file_.string() + ": cannot set the value \"" + std::string(name) +
                        "\" of " + PathOf(*key) + ": " + ErrnoText(errno));
  }
  MemoryStore::SetValue(path, name, std::move(value));
}

bool HiveStore::DeleteValue(std::string_view path, std::string_view name) {
  CheckWritable();
  KeyNode* key = FindKey(path);
  const StoredValue* found = key != nullptr ? key->FindValue(name) : nullptr;
  if (found == nullptr) return false;
  // The name as the hive has it: libhivex gives names back exactly as stored.
  const std::string doomed(found->Name());
  CheckValuesWritable(*key, name, 0);
  // libhivex cannot delete one value: the key gets all of its other values again.
  hive_h* h = hivex_->handle;
  const hive_node_h node = HiveNodeOf(*key);
  const auto failed = [&] {
    return RegistryError(file_.string() + ": cannot delete the value \"" + std::string(name) +
                         "\" of " + PathOf(*key) + ": " + ErrnoText(errno));
  };
  Freed<hive_value_h> valueList(hivex_node_values(h, node));
  if (valueList.p == nullptr) throw failed();
  std::vector<Freed<char>> names, data;
  std::vector<hive_set_value> kept;
  for (const hive_value_h* value = valueList.p; *value != 0; ++value) {
    Freed<char> valueName(hivex_value_key(h, *value));
    if (valueName.p == nullptr) throw failed();
    if (doomed == valueName.p) continue;
    hive_set_value setting{};
    errno = 0;
    Freed<char> bytes(hivex_value_value(h, *value, &setting.t, &setting.len));
    if (bytes.p == nullptr && setting.len != 0) throw failed();
    setting.key = valueName.p;
    setting.value = bytes.p;
    kept.push_back(setting);
    names.push_back(std::move(valueName));
    data.push_back(std::move(bytes));
  }
  if (hivex_node_set_values(h, node, kept.size(), kept.data(), 0) != 0) throw failed();
  return MemoryStore::DeleteValue(path, name);
}

void HiveStore::CommitTo(const fs::path& file) {
  CheckWritable();
  const auto failed = [&](int error) {
    std::error_code ignored;
    fs::remove(file, ignored);
    return RegistryError(file.string() + ": cannot be written: " + ErrnoText(error));
  };
  if (hivex_commit(hivex_->handle, file.c_str(), 0) != 0) throw failed(errno);
  // libhivex writes without flushing; the file is about to replace the hive.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw failed(errno);
  const int synced = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (synced != 0) throw failed(error);
}

void HiveStore::MarkSaved() {
  changed_ = false;
  try {
    header_ = ReadHiveHeader(file_);
  } catch (const TargetError&) {
    // The header read at open stays: the store still holds what was committed.
  }
}

}  // namespace ordrex
