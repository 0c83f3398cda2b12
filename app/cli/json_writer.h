#pragma once
// Writes one JSON document to a stream as it is built, in the one-line form of the command-line
// contract: `{"key": value, "list": [1, 2]}`. Separators are placed by the writer; text is
// escaped so that the output is always valid JSON, whatever bytes a registry string holds.
//
//   JsonWriter json(out);
//   json.BeginObject();
//   json.Key("total").Number(3);
//   json.Key("problems").BeginArray() ... .EndArray();
//   json.EndObject();  // the caller ends the line

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ordrex::cli {

// `"text"` with JSON escapes; bytes that are not UTF-8 become U+FFFD.
std::string JsonQuote(std::string_view text);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Inside an object: the name of the next value.
  JsonWriter& Key(std::string_view name);

  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A string, or null when absent.
  JsonWriter& OptionalString(const std::optional<std::string>& text);
  JsonWriter& OptionalNumber(const std::optional<std::int64_t>& value);

 private:
  // Writes the separator a new value needs at this point.
  void BeforeValue();

  std::ostream& out_;
  // One entry per open object or array: whether it has an element yet.
  std::vector<bool> hasElement_;
  bool afterKey_ = false;
};

}  // namespace ordrex::cli
