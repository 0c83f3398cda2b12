#include "engine/registry.h"

#include <cstring>

#include "platform/text.h"

namespace ordrex {

TRegDataType DataTypeOfRegType(std::uint32_t type) {
  switch (type) {
    case kRegSz:
      return rdString;
    case kRegExpandSz:
      return rdExpandString;
    case kRegDword:
      return rdInteger;
    case kRegBinary:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

void TRegistry::SetRootKey(RootHandle root) {
  CloseKey();
  rootKey_ = root;
}

TRegistry::Resolved TRegistry::Resolve(std::string_view path) const {
  Resolved out;
  if (!path.empty() && path.front() == '\\') {
    path.remove_prefix(1);
    out.store = roots_->Root(rootKey_);
    out.storePath = JoinKeyPath({}, path);
    out.currentPath = std::string(path);
  } else if (open_) {
    out.store = openStore_;
    out.storePath = JoinKeyPath(openStorePath_, path);
    out.currentPath =
        currentPath_.empty() ? std::string(path) : currentPath_ + "\\" + std::string(path);
  } else {
    out.store = roots_->Root(rootKey_);
    out.storePath = JoinKeyPath({}, path);
    out.currentPath = std::string(path);
  }
  return out;
}

bool TRegistry::OpenKey(std::string_view path, bool canCreate) {
  Resolved target = Resolve(path);
  if (target.store == nullptr) {
    CloseKey();
    return false;
  }
  if (!target.store->KeyExists(target.storePath)) {
    if (!canCreate) {
      CloseKey();
      return false;
    }
    try {
      target.store->CreateKey(target.storePath);
    } catch (const RegistryError&) {
      CloseKey();
      return false;
    }
  }
  open_ = true;
  openStore_ = target.store;
  openStorePath_ = std::move(target.storePath);
  currentPath_ = std::move(target.currentPath);
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  openStore_ = nullptr;
  openStorePath_.clear();
  currentPath_.clear();
}

bool TRegistry::KeyExists(std::string_view path) const {
  const Resolved target = Resolve(path);
  return target.store != nullptr && target.store->KeyExists(target.storePath);
}

RegistryStore& TRegistry::OpenStore() const {
  if (!open_) throw RegistryError("No registry key is open");
  return *openStore_;
}

std::optional<RegValue> TRegistry::Query(std::string_view name) const {
  if (!open_) return std::nullopt;
  return openStore_->QueryValue(openStorePath_, name);
}

bool TRegistry::ValueExists(std::string_view name) const {
  return Query(name).has_value();
}

TRegDataType TRegistry::GetDataType(std::string_view name) const {
  const auto value = Query(name);
  return value ? DataTypeOfRegType(value->type) : rdUnknown;
}

std::optional<std::uint32_t> TRegistry::GetRegType(std::string_view name) const {
  const auto value = Query(name);
  if (!value) return std::nullopt;
  return value->type;
}

int TRegistry::GetDataSize(std::string_view name) const {
  const auto value = Query(name);
  if (!value) return -1;
  const TRegDataType kind = DataTypeOfRegType(value->type);
  if (kind == rdString || kind == rdExpandString) {
    return static_cast<int>(RegDataToString(value->data).size() + 1);
  }
  return static_cast<int>(value->data.size());
}

namespace {

std::string QuotedName(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

}  // namespace

std::string TRegistry::ReadString(std::string_view name) const {
  const auto value = Query(name);
  if (!value) return {};
  const TRegDataType kind = DataTypeOfRegType(value->type);
  if (kind != rdString && kind != rdExpandString) {
    throw RegistryError("Invalid data type for " + QuotedName(name) + ": not a string");
  }
  return RegDataToString(value->data);
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
  const auto value = Query(name);
  if (!value) throw RegistryError("The value " + QuotedName(name) + " does not exist");
  if (value->type != kRegDword || value->data.size() < 4) {
    throw RegistryError("Invalid data type for " + QuotedName(name) + ": not an integer");
  }
  std::uint32_t raw = 0;
  for (int i = 3; i >= 0; --i)
    raw = (raw << 8) | value->data[static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(raw);
}

int TRegistry::ReadBinaryData(std::string_view name, void* buffer, int bufferSize) const {
  const auto value = Query(name);
  if (!value) return 0;
  const TRegDataType kind = DataTypeOfRegType(value->type);
  if (kind != rdBinary && kind != rdUnknown) {
    throw RegistryError("Invalid data type for " + QuotedName(name) + ": not binary data");
  }
  if (bufferSize < 0 || value->data.size() > static_cast<std::size_t>(bufferSize)) {
    throw RegistryError("The data of " + QuotedName(name) + " does not fit the buffer");
  }
  if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
  return static_cast<int>(value->data.size());
}

std::optional<RegValue> TRegistry::ReadRawValue(std::string_view name) const {
  return Query(name);
}

double TRegistry::ReadEightByteDouble(std::string_view name) const {
  const auto value = Query(name);
  if (!value || value->type != kRegBinary || value->data.size() != 8) {
    throw RegistryError("Invalid data type for " + QuotedName(name) + ": not an 8-byte number");
  }
  double result = 0;
  std::memcpy(&result, value->data.data(), 8);  // little-endian, as on every target we support
  return result;
}

void TRegistry::Put(std::string_view name, RegValue value) {
  RegistryStore& store = OpenStore();
  store.SetValue(openStorePath_, name, std::move(value));
}

void TRegistry::WriteString(std::string_view name, std::string_view text) {
  Put(name, RegValue{kRegSz, StringToRegData(text)});
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view text) {
  Put(name, RegValue{kRegExpandSz, StringToRegData(text)});
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
  const auto raw = static_cast<std::uint32_t>(value);
  Put(name,
      RegValue{kRegDword,
               Bytes{static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
                     static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)}});
}

void TRegistry::WriteBinaryData(std::string_view name, const void* buffer, int size) {
  if (size < 0) throw RegistryError("Invalid data size for " + QuotedName(name));
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  Put(name, RegValue{kRegBinary, Bytes(bytes, bytes + size)});
}

void TRegistry::WriteEightByteDouble(std::string_view name, double value) {
  WriteBinaryData(name, &value, 8);
}

void TRegistry::WriteRawValue(std::string_view name, RegValue value) {
  Put(name, std::move(value));
}

std::vector<std::string> TRegistry::GetKeyNames() const {
  if (!open_) return {};
  return openStore_->SubkeyNames(openStorePath_);
}

std::vector<std::string> TRegistry::GetValueNames() const {
  if (!open_) return {};
  return openStore_->ValueNames(openStorePath_);
}

bool TRegistry::DeleteKey(std::string_view path) {
  if (path.empty() || path == "\\") return false;
  try {
    const Resolved target = Resolve(path);
    if (target.store == nullptr || SplitKeyPath(target.storePath).empty()) return false;
    if (!target.store->KeyExists(target.storePath)) return false;
    return DeleteKeyTree(*target.store, target.storePath);
  } catch (const RegistryError&) {
    return false;
  }
}

bool TRegistry::DeleteValue(std::string_view name) {
  if (!open_) return false;
  try {
    return openStore_->DeleteValue(openStorePath_, name);
  } catch (const RegistryError&) {
    return false;
  }
}

void TRegistry::RenameValue(std::string_view oldName, std::string_view newName) {
  const auto old = Query(oldName);
  if (!old || ValueExists(newName) || old->data.empty()) return;
  Put(newName, *old);
  OpenStore().DeleteValue(openStorePath_, oldName);
}

}  // namespace ordrex
