#include "commands/handlers.h"
#include "commands/mail_objects.h"
#include "commands/presentation.h"
#include "framework/sizes.h"
#include "framework/usage_error.h"

// Commands on mail domains. Changes of an existing domain (enable, disable, rename,
// limits, catch-all) go through the domain object that openDomain hands out.

namespace mailmgr {
namespace {

const std::wstring& domainArgument(Invocation& in) {
  const std::wstring& name = in.argument(0);
  if (name.empty()) throw UsageError{L"the domain name is empty"};
  return name;
}

}  // namespace

int domainCreate(Invocation& in) {
  const std::wstring& name = domainArgument(in);
  const auto limitText = in.option(L"limit");
  const int limit = limitText ? parseLimit(*limitText) : 0;
  const Held<MailDomain> domain = hold(in.provider().createDomain(name, limit), name);
  printDone(in,
            L"Created domain " + name +
                (limit > 0 ? L" with a mailbox limit of " + formatSize(limit) : L" without a mailbox limit"),
            Json{{"domain", name}, {"created", true}, {"mailboxLimit", limit}});
  return 0;
}

int domainShow(Invocation& in) {
  const std::wstring& name = domainArgument(in);
  const Held<MailDomain> domain = hold(in.provider().openDomain(name), name);
  const bool enabled = domain->isEnabled();
  const int limit = domain->quota();
  const int total = domain->totalQuota();
  const bool discard = domain->discard();
  const std::wstring catchAll = domain->catchToEmail();
  if (in.json()) {
    in.print(Json{{"name", domain->name()},
                  {"enabled", enabled},
                  {"mailboxLimit", limit},
                  {"totalLimit", total},
                  {"catchAll", catchAll.empty() ? Json() : Json(catchAll)},
                  {"discardUnknown", discard}});
    return 0;
  }
  const auto size = [](int bytes) { return bytes > 0 ? formatSize(bytes) : std::wstring(L"unlimited"); };
  in.printLines(fieldLines({
      {L"Domain", domain->name()},
      {L"State", enabled ? L"enabled" : L"disabled"},
      {L"Mailbox limit", size(limit)},
      {L"Total limit", size(total)},
      {L"Unknown users", discard ? L"mail discarded" : catchAll.empty() ? L"not caught" : L"forwarded to " + catchAll},
  }));
  return 0;
}

int domainRemove(Invocation& in) {
  const std::wstring& name = domainArgument(in);
  in.provider().removeDomain(name);
  printDone(in, L"Removed domain " + name, Json{{"domain", name}, {"removed", true}});
  return 0;
}

int domainList(Invocation& in) {
  StringList names;
  in.provider().domains(names);
  if (in.json()) {
    Json array = Json::array();
    for (const auto& name : names) array.push_back(Json{{"name", name}});
    in.print(array);
  } else {
    for (const auto& name : names) in.out().line(name);
  }
  return 0;
}

int domainMailPaths(Invocation& in) {
  const std::wstring& name = domainArgument(in);
  StringList paths;
  // The provider's second argument, a mail name, plays no part in the answer.
  in.provider().domainMailPaths(name, L"", paths);
  printList(in, paths);
  return 0;
}

}  // namespace mailmgr
