// The mail server's Windows services, and emptying the server of its domains.

#include <cwctype>

#include "commands/command_sets.h"
#include "framework/invocation.h"
#include "framework/table.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

// The provider knows the kinds "SMTP" and "POP3" only, spelt so; the tool takes any case.
std::wstring serviceKindArgument(Invocation& in) {
  std::wstring kind;
  for (const wchar_t c : in.argument(0)) kind += static_cast<wchar_t>(std::towupper(c));
  if (kind != L"SMTP" && kind != L"POP3") throw UsageError{L"KIND must be smtp or pop3, not '" + in.argument(0) + L"'"};
  return kind;
}

int serviceList(Invocation& in) {
  StringList names;
  in.provider().services(names, 1);
  if (in.json()) {
    Json list = Json::array();
    for (const std::wstring& name : names) list.push_back(name);
    in.print(Json{{"services", list}});
  } else {
    for (const std::wstring& name : names) in.out().line(name);
  }
  return 0;
}

int serviceStatus(Invocation& in) {
  const std::wstring kind = serviceKindArgument(in);
  const bool started = in.provider().isStarted(kind);
  if (in.json())
    in.print(Json{{"kind", kind}, {"started", started}});
  else
    in.out().line(kind + (started ? L": running" : L": not running"));
  return 0;
}

int startOrStop(Invocation& in, bool start) {
  const std::wstring kind = serviceKindArgument(in);
  in.provider().start(kind, start);
  if (in.json())
    in.print(Json{{"kind", kind}, {"started", start}});
  else
    in.out().line(kind + (start ? L": started" : L": stopped"));
  return 0;
}

int serviceStart(Invocation& in) { return startOrStop(in, true); }
int serviceStop(Invocation& in) { return startOrStop(in, false); }

int serverReset(Invocation& in) {
  if (!in.flag(L"yes"))
    throw UsageError{L"this removes every domain and mailbox configuration: repeat with --yes to go ahead"};
  in.provider().removeAllDomains();
  if (in.json())
    in.print(Json{{"reset", true}});
  else
    in.out().line(L"The mail server holds no domains now; services that ran were started again.");
  return 0;
}

const ArgumentSpec kindArgument = {L"KIND", L"smtp or pop3"};

}  // namespace

void addServiceCommands(CommandTable& table) {
  table.groups.push_back({L"service", L"The mail server's Windows services"});
  table.commands.push_back({L"service", L"list", {}, {},
                            L"List the mail server's Windows services",
                            L"Lists the service names of the mail server, one per line: SMTP, POP3, the\n"
                            L"calendar and instant-messaging services when they are installed, and the\n"
                            L"control service.",
                            serviceList});
  table.commands.push_back({L"service", L"status", {kindArgument}, {},
                            L"Tell whether the SMTP or POP3 service runs",
                            L"A service that runs, is starting or is resuming counts as running; a paused\n"
                            L"or stopped one does not.",
                            serviceStatus});
  table.commands.push_back({L"service", L"start", {kindArgument}, {},
                            L"Start the SMTP or POP3 service and wait until it runs",
                            L"Starts the service unless it runs already, and waits while it reports progress.\n"
                            L"A service that makes no progress for two minutes past its own estimate is a\n"
                            L"failure (exit status 1).",
                            serviceStart});
  table.commands.push_back({L"service", L"stop", {kindArgument}, {},
                            L"Stop the SMTP or POP3 service and wait until it stopped",
                            L"Stopping a service that is stopped already, or not installed, succeeds at once.",
                            serviceStop});
  table.commands.push_back({L"server", L"reset", {}, {{L"yes", L"", L"confirm: remove every domain"}},
                            L"Empty the mail server of all its domains",
                            L"Stops the mail server's running services, deletes its domain list and every\n"
                            L"directory below its configuration directory, makes it reload its configuration\n"
                            L"and starts the services it stopped. Needs --yes. If a step fails, the services\n"
                            L"stopped so far stay stopped.",
                            serverReset});
}

}  // namespace mailmgr
