#include "platform/wine/wine_registry_file.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "platform/wine/wine_value_codec.h"

namespace ordrex {

namespace {

// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kTicks1601To1970 = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

bool WineLess(std::string_view a, std::string_view b) {
  return CompareWineNames(a, b) < 0;
}

// Children in Wine's order. Files Wine wrote are in that order already, so the common case
// costs one pass and no copy.
void SortedChildren(const KeyNode& node, std::vector<const KeyNode*>& out) {
  out.clear();
  out.reserve(node.Children().size());
  for (const auto& child : node.Children())
    out.push_back(child.get());
  const auto less = [](const KeyNode* a, const KeyNode* b) {
    return WineLess(a->Name(), b->Name());
  };
  if (!std::is_sorted(out.begin(), out.end(), less)) std::sort(out.begin(), out.end(), less);
}

void SortedValues(const KeyNode& node, std::vector<const StoredValue*>& out) {
  out.clear();
  out.reserve(node.Values().size());
  for (const StoredValue& value : node.Values())
    out.push_back(&value);
  const auto less = [](const StoredValue* a, const StoredValue* b) {
    return WineLess(a->Name(), b->Name());
  };
  if (!std::is_sorted(out.begin(), out.end(), less)) std::sort(out.begin(), out.end(), less);
}

// Wine writes a key when something would be lost otherwise; a key with only subkeys comes
// back by itself when its subkeys are read.
bool IsWritten(const KeyNode& node) {
  return !node.Values().empty() || node.Children().empty() || node.Meta().className ||
         node.Meta().link;
}

// Writes the keys into `out`; with a `flush`, hands the text on whenever a good amount has
// gathered, so that saving a large file does not hold a second copy of it in memory.
class Serializer {
 public:
  using Flush = std::function<void(std::string_view)>;
  Serializer(std::string& out, const Flush* flush) : out_(out), flush_(flush) {}

  // Writes `root` and everything below it, depth first. `path` is root's path and is the same
  // again on return. The walk keeps its own stack: a tree may be deeper than the call stack.
  void Tree(const KeyNode& root, std::string& path) {
    const std::size_t rootLength = path.size();
    std::size_t depth = 0;
    Enter(root, path, depth);
    while (depth > 0) {
      Level& level = levels_[depth - 1];
      if (level.next == level.children.size()) {
        --depth;
        continue;
      }
      const KeyNode* child = level.children[level.next++];
      path.resize(level.pathLength);
      if (!path.empty()) path += "\\\\";
      AppendWineEscapedName(path, child->Name(), "[]");
      Enter(*child, path, depth);
    }
    path.resize(rootLength);
  }

 private:
  // One key on the way down: its children in Wine's order and the next one to write. Levels
  // are reused from key to key, so a walk allocates only for its deepest and widest keys.
  struct Level {
    std::vector<const KeyNode*> children;
    std::size_t next = 0;
    std::size_t pathLength = 0;
  };

  void Enter(const KeyNode& node, const std::string& path, std::size_t& depth) {
    if (IsWritten(node)) KeyLines(node, path);
    if (flush_ != nullptr && out_.size() >= kFlushSize) {
      (*flush_)(out_);
      out_.clear();
    }
    if (node.Children().empty()) return;
    if (depth == levels_.size()) levels_.emplace_back();
    Level& level = levels_[depth++];
    SortedChildren(node, level.children);
    level.next = 0;
    level.pathLength = path.size();
  }

  void KeyLines(const KeyNode& node, const std::string& path) {
    const KeyMetadata& meta = node.Meta();
    out_ += "\n[";
    out_ += path;
    out_ += "] ";
    out_ += std::to_string(static_cast<std::uint32_t>(meta.modified));
    out_.push_back('\n');
    if (!meta.timeText.empty()) {
      out_ += "#time=";
      out_ += meta.timeText.View();
      out_.push_back('\n');
    }
    if (meta.className) {
      out_ += "#class=\"";
      AppendWineEscapedName(out_, *meta.className, "\"");
      out_ += "\"\n";
    }
    if (meta.link) out_ += "#link\n";
    SortedValues(node, values_);
    for (const StoredValue* value : values_)
      AppendWineValue(out_, value->Name(), value->Type(), value->Data(), value->DataSize());
  }

  static constexpr std::size_t kFlushSize = std::size_t{1} << 20;

  std::string& out_;
  const Flush* flush_;
  std::vector<const StoredValue*> values_;
  std::vector<Level> levels_;
};

std::size_t CountKeys(const KeyNode& root) {
  std::size_t count = 0;
  std::vector<const KeyNode*> pending{&root};
  while (!pending.empty()) {
    const KeyNode* node = pending.back();
    pending.pop_back();
    count += node->Children().size();
    for (const auto& child : node->Children())
      pending.push_back(child.get());
  }
  return count;
}

}  // namespace

WineRegistryFile::WineRegistryFile(std::filesystem::path file, Clock& clock)
    : file_(std::move(file)), clock_(clock) {}

void WineRegistryFile::AddProblem(std::size_t line, std::string text) {
  if (problems_.size() >= kMaxProblems) {
    ++problemsLeftOut_;
    return;
  }
  problems_.push_back(Problem{line, std::move(text)});
}

std::vector<std::string> WineRegistryFile::Problems() const {
  std::vector<std::string> out;
  out.reserve(problems_.size() + 1);
  for (const Problem& problem : problems_) {
    out.push_back(file_.string() + ":" + std::to_string(problem.line) + ": " + problem.text);
  }
  if (problemsLeftOut_ > 0) {
    out.push_back(file_.string() + ": " + std::to_string(problemsLeftOut_) + " more problems");
  }
  return out;
}

std::string WineRegistryFile::WriteBlocker() const {
  if (!problems_.empty()) {
    return file_.string() + " was not fully understood: line " +
           std::to_string(problems_.front().line) + ": " + problems_.front().text +
           "; it is opened read-only";
  }
  return externalBlocker_;
}

void WineRegistryFile::KeyChanged(KeyNode& node) {
  const auto now = clock_.Now().time_since_epoch();
  const std::int64_t ticks =
      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100 + kTicks1601To1970;
  KeyMetadata& meta = node.Meta();
  meta.modified = (ticks - kTicks1601To1970) / kTicksPerSecond;
  meta.timeText = WineTimeText(static_cast<std::uint64_t>(ticks));
  meta.changed = true;
  changed_ = true;
}

std::size_t WineRegistryFile::KeyCount() const {
  return CountKeys(Root());
}

std::string WineRegistryFile::Serialize() const {
  std::string out;
  out.reserve(sizeHint_);
  out += header_;
  std::string path;
  Serializer(out, nullptr).Tree(Root(), path);
  return out;
}

void WineRegistryFile::Save(FileWriter& writer) {
  if (!changed_) return;
  CheckWritable();
  std::size_t written = 0;
  try {
    writer.WriteAtomically(file_, [&](const Serializer::Flush& write) {
      const Serializer::Flush counted = [&](std::string_view piece) {
        written += piece.size();
        write(piece);
      };
      std::string buffer = header_;
      buffer.reserve(std::size_t{2} << 20);
      std::string path;
      Serializer(buffer, &counted).Tree(Root(), path);
      counted(buffer);
    });
  } catch (const FileWriteError& error) {
    throw RegistryError(error.what());
  }
  sizeHint_ = written;
  changed_ = false;
}

}  // namespace ordrex
