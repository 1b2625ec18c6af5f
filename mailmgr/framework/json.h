#pragma once
// JSON output for scripts. Everything outside printable ASCII is written as a \u escape,
// so the text is plain ASCII whatever the console's code page.

#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace mailmgr {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::wstring, Json>>;  // members in insertion order

  Json() = default;  // null
  Json(bool value) : value_(value) {}
  Json(int value) : value_(static_cast<long long>(value)) {}
  Json(long long value) : value_(value) {}
  Json(std::wstring value) : value_(std::move(value)) {}
  Json(const wchar_t* value) : value_(std::wstring(value)) {}
  static Json array() { return Json(Array{}); }
  static Json object() { return Json(Object{}); }

  // Appends to an array; sets a member of an object. Both return this value for chaining.
  Json& push(Json item);
  Json& set(std::wstring name, Json value);

  // Indented by two spaces per level, without a final line break.
  std::string dump() const;

 private:
  explicit Json(Array value) : value_(std::move(value)) {}
  explicit Json(Object value) : value_(std::move(value)) {}
  void write(std::string& out, int depth) const;

  std::variant<std::nullptr_t, bool, long long, std::wstring, Array, Object> value_{nullptr};
};

// The text as a quoted JSON string. UTF-16 code units above 0x7E and below 0x20 become
// \uXXXX (a surrogate pair stays a pair of escapes, as JSON spells it).
std::string jsonQuote(std::wstring_view text);

}  // namespace mailmgr
