// The guided tour: what the module answers today, step by step, with a few words for a
// reader who has never seen it. Each later capability adds its own section here.

#include "commands/handlers.h"
#include "commands/tour.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

constexpr int highestAbility = 99;

}  // namespace

int demo(Invocation& in) {
  if (in.json()) throw UsageError{L"the tour is for people; it has no JSON output"};
  in.out().line(L"Mail manager tour");
  in.out().line(L"=================");
  in.out().line(L"mailmgr loads the mail-provider module the way the control panel's mail manager");
  in.out().line(L"does, asks it for its provider object and calls the provider's operations.");

  Tour tour(in);
  tour.section(L"The module");
  tour.say(L"A Windows library with one entry point that hands out the provider object.");
  tour.step(L"Library", [&] { return in.modulePath(); });
  MailProvider* loaded = nullptr;
  tour.step(L"Provider object", [&] {
    loaded = &in.provider();
    return std::wstring(L"handed out");
  });
  if (!loaded) return tour.finish();
  MailProvider& provider = *loaded;
  tour.step(L"Provider revision", [&] { return std::to_wstring(provider.providerRevision()); });

  tour.section(L"The mail server");
  tour.say(L"The module finds the mail server through the registry and its automation server.");
  std::wstring product, version;
  tour.step(L"Product", [&] {
    return provider.productInfo(product, version) ? product + L", version " + version
                                                  : std::wstring(L"not installed (no version in the registry)");
  });
  tour.step(L"Mail store", [&] { return provider.mailPath(); });
  tour.step(L"Mail paths", [&] {
    StringList paths;
    provider.mailPaths(paths);
    return joined(paths);
  });

  tour.section(L"The mail server's Windows services");
  tour.say(L"The mail manager starts and stops services by the names the provider gives.");
  const std::pair<int, const wchar_t*> kinds[] = {{0, L"SMTP (kind 0)"}, {1, L"POP3 (kind 1)"}, {2, L"kind 2"},
                                                  {3, L"kind 3"}};
  for (const auto& [kind, label] : kinds) {
    tour.step(label, [&, kind = kind] {
      const std::wstring name = provider.serviceName(kind);
      return name.empty() ? std::wstring(L"(none)") : name;
    });
  }

  tour.section(L"Optional abilities");
  tour.say(L"The mail manager numbers the optional abilities a provider may offer and asks for each.");
  std::vector<int> offered, missing;
  tour.step(L"Offered", [&] {
    for (int code = 0; code <= highestAbility; ++code) (provider.isSupported(code) ? offered : missing).push_back(code);
    return joined(numberRuns(offered), L", ") + L" (" + std::to_wstring(offered.size()) + L" of 0-" +
           std::to_wstring(highestAbility) + L")";
  });
  tour.step(L"Not offered", [&] { return joined(numberRuns(missing), L", "); });

  tourDomainsAndMailboxes(tour, in);
  tourMailingLists(tour, in);
  tourArchive(tour, in);
  tourOutgoingMail(tour, in);
  tourServices(tour, in);
  tourSettings(tour, in);
  tourTraffic(tour, in);
  tourPackage(tour, in);
  return tour.finish();
}

}  // namespace mailmgr
