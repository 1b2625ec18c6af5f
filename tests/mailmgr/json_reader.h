#pragma once
// A strict reader of JSON text, to check that the tool's JSON parses and to look inside it.

#include <stdexcept>
#include <string>
#include <vector>

struct JsonNode {
  enum class Kind { null, boolean, number, string, array, object } kind = Kind::null;
  bool boolean = false;
  double number = 0;
  std::wstring string;  // UTF-16, escapes decoded
  std::vector<JsonNode> items;
  std::vector<std::pair<std::wstring, JsonNode>> members;

  const JsonNode& operator[](const std::wstring& name) const;  // throws when absent
  const JsonNode& operator[](std::size_t index) const { return items.at(index); }
};

// Throws std::runtime_error at the first character that is not valid JSON (trailing white
// space is allowed, anything else after the value is not).
JsonNode parseJson(const std::string& text);
