#include <cwctype>

#include "commands/arguments.h"
#include "commands/handlers.h"
#include "commands/presentation.h"
#include "framework/runner.h"
#include "framework/table.h"
#include "framework/usage_error.h"
#include "host/failure_text.h"

namespace mailmgr {
namespace {

constexpr int highestAbility = 255;

int serviceKind(const std::wstring& text) {
  std::wstring lower;
  for (const wchar_t c : text) lower += static_cast<wchar_t>(std::towlower(c));
  if (lower == L"smtp") return 0;
  if (lower == L"pop3") return 1;
  return parseInteger(text, L"KIND");
}

}  // namespace

int serverInfo(Invocation& in) {
  MailProvider& provider = in.provider();
  std::wstring name, version;
  const bool installed = provider.productInfo(name, version);
  const int revision = provider.providerRevision();
  // The mail store comes from the mail server itself; when it cannot be asked, the rest
  // is still shown and the failure follows.
  std::wstring mailPath, problem;
  bool havePath = false;
  try {
    mailPath = provider.mailPath();
    havePath = true;
  } catch (...) {
    problem = describeFailure(in.verbose());
  }

  if (in.json()) {
    Json product;
    if (installed) product = Json{{"name", name}, {"version", version}};
    in.print(Json{{"product", product},
                  {"providerRevision", revision},
                  {"mailPath", havePath ? Json(mailPath) : Json()},
                  {"module", in.modulePath()}});
  } else {
    Fields fields;
    if (installed) {
      fields.push_back({L"Product", name});
      fields.push_back({L"Version", version});
    } else {
      fields.push_back({L"Product", L"not installed (the registry holds no version of the mail server)"});
    }
    fields.push_back({L"Provider revision", std::to_wstring(revision)});
    fields.push_back({L"Mail store", havePath ? mailPath : L"unavailable (see below)"});
    fields.push_back({L"Module", in.modulePath()});
    in.printLines(fieldLines(fields));
  }
  if (!havePath) {
    in.err().line(L"mailmgr: " + problem);
    return exitFailure;
  }
  return 0;
}

int serverSupports(Invocation& in) {
  std::vector<int> codes;
  for (const auto& word : in.arguments()) codes.push_back(parseInteger(word, L"CODE"));
  MailProvider& provider = in.provider();
  Json json = Json::array();
  Table table({L"CODE", L"SUPPORTED"}, {Table::Align::right, Table::Align::left});
  for (const int code : codes) {
    const bool supported = provider.isSupported(code);
    json.push_back(Json{{"code", code}, {"supported", supported}});
    table.add({std::to_wstring(code), supported ? L"yes" : L"no"});
  }
  if (in.json()) in.print(json);
  else in.printLines(table.lines());
  return 0;
}

int serverAbilities(Invocation& in) {
  MailProvider& provider = in.provider();
  std::vector<int> offered;
  for (int code = 0; code <= highestAbility; ++code) {
    if (provider.isSupported(code)) offered.push_back(code);
  }
  if (in.json()) {
    Json codes = Json::array();
    for (const int code : offered) codes.push_back(code);
    in.print(Json{{"from", 0}, {"to", highestAbility}, {"supported", codes}});
  } else {
    in.printLines(numberRuns(offered));
  }
  return 0;
}

int serverServiceName(Invocation& in) {
  const int kind = serviceKind(in.argument(0));
  const std::wstring name = in.provider().serviceName(kind);
  if (name.empty()) throw Failure{L"the provider names no service of kind " + std::to_wstring(kind)};
  printDone(in, name, Json{{"kind", kind}, {"service", name}});
  return 0;
}

int serverMailPaths(Invocation& in) {
  StringList paths;
  in.provider().mailPaths(paths);
  printList(in, paths);
  return 0;
}

}  // namespace mailmgr
