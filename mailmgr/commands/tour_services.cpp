// The tour's section on the mail server's services.

#include "commands/tour.h"

namespace mailmgr {

void tourServices(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  tour.section(L"Starting and stopping the services");
  tour.say(L"The provider lists the services, tells whether SMTP and POP3 run, and starts or stops");
  tour.say(L"them, waiting while a service reports progress.");
  tour.step(L"Services", [&] {
    StringList names;
    provider.services(names, 1);
    return joined(names);
  });
  const auto state = [&](const wchar_t* kind) {
    return std::wstring(provider.isStarted(kind) ? L"running" : L"not running");
  };
  tour.step(L"SMTP", [&] { return state(L"SMTP"); });
  tour.step(L"POP3", [&] { return state(L"POP3"); });
  tour.step(L"Start SMTP", [&] {
    provider.start(L"SMTP", true);
    return state(L"SMTP");
  });
  tour.step(L"Stop SMTP", [&] {
    provider.start(L"SMTP", false);
    return state(L"SMTP");
  });
  tour.step(L"Stop SMTP again", [&] {
    provider.start(L"SMTP", false);
    return std::wstring(L"nothing to do: ") + state(L"SMTP");
  });
  tour.say(L"'mailmgr server reset --yes' empties the server of its domains with the services stopped.");
}

}  // namespace mailmgr
