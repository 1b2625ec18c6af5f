#pragma once
// What a command's handler works with: its arguments and options, the output streams, and
// the module, loaded on first use and held until the whole command has finished (so that
// a failure thrown by the module is described while the module is still loaded).

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "framework/command_line.h"
#include "framework/console.h"
#include "host/provider_host.h"

// Wide text goes into JSON as UTF-8; without these a wide string would become an array of
// numbers.
NLOHMANN_JSON_NAMESPACE_BEGIN
template <>
struct adl_serializer<std::wstring> {
  template <typename BasicJson>
  static void to_json(BasicJson& json, const std::wstring& text) { json = mailmgr::toUtf8(text); }
};
template <std::size_t N>
struct adl_serializer<wchar_t[N]> {
  template <typename BasicJson>
  static void to_json(BasicJson& json, const wchar_t (&text)[N]) { json = mailmgr::toUtf8(text); }
};
NLOHMANN_JSON_NAMESPACE_END

namespace mailmgr {

// JSON output for scripts: members keep the order they were set in.
using Json = nlohmann::ordered_json;

class Invocation {
 public:
  explicit Invocation(ParsedLine line);
  Invocation(const Invocation&) = delete;
  Invocation& operator=(const Invocation&) = delete;

  const CommandSpec& command() const { return *line_.command; }
  const std::vector<std::wstring>& arguments() const { return line_.arguments; }
  // The argument at index, or empty when it was not given (an optional one).
  const std::wstring& argument(std::size_t index) const;
  std::optional<std::wstring> option(std::wstring_view name) const;
  bool flag(std::wstring_view name) const { return line_.options.find(name) != line_.options.end(); }
  bool json() const { return flag(L"json"); }
  bool verbose() const { return flag(L"verbose"); }

  MailProvider& provider();
  // The path of the module that is or will be loaded.
  const std::wstring& modulePath() const { return modulePath_; }

  OutputStream& out() { return standardOutput(); }
  OutputStream& err() { return standardError(); }
  // Indented by two spaces; everything outside ASCII is written as a \u escape (a surrogate
  // pair beyond 16 bits), so the text is plain ASCII whatever the console's code page.
  void print(const Json& value) { out().writeUtf8(value.dump(2, ' ', true) + "\n"); }
  void printLines(const std::vector<std::wstring>& lines) {
    for (const auto& line : lines) out().line(line);
  }

 private:
  ParsedLine line_;
  std::wstring modulePath_;
  std::optional<ProviderHost> host_;
};

}  // namespace mailmgr
