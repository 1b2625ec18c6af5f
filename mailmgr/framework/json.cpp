#include "framework/json.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace mailmgr {
namespace {

void indent(std::string& out, int depth) {
  out += '\n';
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

Json& Json::push(Json item) {
  auto* array = std::get_if<Array>(&value_);
  if (!array) throw std::logic_error("push on a JSON value that is not an array");
  array->push_back(std::move(item));
  return *this;
}

Json& Json::set(std::wstring name, Json value) {
  auto* object = std::get_if<Object>(&value_);
  if (!object) throw std::logic_error("set on a JSON value that is not an object");
  for (auto& member : *object) {
    if (member.first == name) {
      member.second = std::move(value);
      return *this;
    }
  }
  object->emplace_back(std::move(name), std::move(value));
  return *this;
}

std::string Json::dump() const {
  std::string out;
  write(out, 0);
  return out;
}

void Json::write(std::string& out, int depth) const {
  if (std::holds_alternative<std::nullptr_t>(value_)) {
    out += "null";
  } else if (const bool* flag = std::get_if<bool>(&value_)) {
    out += *flag ? "true" : "false";
  } else if (const long long* number = std::get_if<long long>(&value_)) {
    out += std::to_string(*number);
  } else if (const std::wstring* text = std::get_if<std::wstring>(&value_)) {
    out += jsonQuote(*text);
  } else if (const Array* array = std::get_if<Array>(&value_)) {
    if (array->empty()) {
      out += "[]";
      return;
    }
    // An array of plain values stays on one line; one of arrays or objects gets a line per item.
    const bool flat = std::all_of(array->begin(), array->end(), [](const Json& item) {
      return !std::holds_alternative<Array>(item.value_) && !std::holds_alternative<Object>(item.value_);
    });
    out += '[';
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (i) out += flat ? ", " : ",";
      if (!flat) indent(out, depth + 1);
      (*array)[i].write(out, depth + 1);
    }
    if (!flat) indent(out, depth);
    out += ']';
  } else {
    const Object& object = std::get<Object>(value_);
    if (object.empty()) {
      out += "{}";
      return;
    }
    out += '{';
    for (std::size_t i = 0; i < object.size(); ++i) {
      if (i) out += ',';
      indent(out, depth + 1);
      out += jsonQuote(object[i].first);
      out += ": ";
      object[i].second.write(out, depth + 1);
    }
    indent(out, depth);
    out += '}';
  }
}

std::string jsonQuote(std::wstring_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const wchar_t c : text) {
    switch (c) {
      case L'"': out += "\\\""; continue;
      case L'\\': out += "\\\\"; continue;
      case L'\b': out += "\\b"; continue;
      case L'\f': out += "\\f"; continue;
      case L'\n': out += "\\n"; continue;
      case L'\r': out += "\\r"; continue;
      case L'\t': out += "\\t"; continue;
      default: break;
    }
    const auto unit = static_cast<unsigned>(static_cast<std::uint16_t>(c));
    if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(unit >> shift) & 0xF];
    }
  }
  out += '"';
  return out;
}

}  // namespace mailmgr
