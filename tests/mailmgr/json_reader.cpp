#include "mailmgr/json_reader.h"

#include <cstdlib>

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  JsonNode document() {
    JsonNode node = value();
    space();
    if (at_ != text_.size()) fail("text after the value");
    return node;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("invalid JSON at offset " + std::to_string(at_) + ": " + what);
  }
  void space() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) ++at_;
  }
  bool take(char c) {
    space();
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected '") + c + "'");
  }
  bool word(const char* w) {
    const std::string s(w);
    if (text_.compare(at_, s.size(), s) != 0) return false;
    at_ += s.size();
    return true;
  }

  JsonNode value() {
    space();
    if (at_ >= text_.size()) fail("missing value");
    JsonNode node;
    const char c = text_[at_];
    if (c == '{') {
      node.kind = JsonNode::Kind::object;
      ++at_;
      if (take('}')) return node;
      do {
        space();
        std::wstring name = string();
        expect(':');
        node.members.emplace_back(std::move(name), value());
      } while (take(','));
      expect('}');
    } else if (c == '[') {
      node.kind = JsonNode::Kind::array;
      ++at_;
      if (take(']')) return node;
      do node.items.push_back(value());
      while (take(','));
      expect(']');
    } else if (c == '"') {
      node.kind = JsonNode::Kind::string;
      node.string = string();
    } else if (word("true")) {
      node.kind = JsonNode::Kind::boolean;
      node.boolean = true;
    } else if (word("false")) {
      node.kind = JsonNode::Kind::boolean;
    } else if (word("null")) {
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      node.kind = JsonNode::Kind::number;
      char* end = nullptr;
      node.number = std::strtod(text_.c_str() + at_, &end);
      at_ = static_cast<std::size_t>(end - text_.c_str());
    } else {
      fail("unexpected character");
    }
    return node;
  }

  std::wstring string() {
    if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
    ++at_;
    std::wstring out;
    for (;;) {
      if (at_ >= text_.size()) fail("unterminated string");
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') return out;
      if (c < 0x20) fail("control character in a string");
      if (c >= 0x80) fail("the tool writes JSON in ASCII");
      if (c != '\\') {
        out += static_cast<wchar_t>(c);
        continue;
      }
      if (at_ >= text_.size()) fail("unterminated escape");
      const char e = text_[at_++];
      switch (e) {
        case '"': out += L'"'; break;
        case '\\': out += L'\\'; break;
        case '/': out += L'/'; break;
        case 'b': out += L'\b'; break;
        case 'f': out += L'\f'; break;
        case 'n': out += L'\n'; break;
        case 'r': out += L'\r'; break;
        case 't': out += L'\t'; break;
        case 'u': {
          if (at_ + 4 > text_.size()) fail("short \\u escape");
          const std::string digits = text_.substr(at_, 4);
          if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) fail("bad \\u escape");
          out += static_cast<wchar_t>(std::strtoul(digits.c_str(), nullptr, 16));
          at_ += 4;
          break;
        }
        default: fail("unknown escape");
      }
    }
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

}  // namespace

const JsonNode& JsonNode::operator[](const std::wstring& name) const {
  for (const auto& member : members) {
    if (member.first == name) return member.second;
  }
  throw std::runtime_error("no member " + std::string(name.begin(), name.end()));
}

JsonNode parseJson(const std::string& text) { return Reader(text).document(); }
