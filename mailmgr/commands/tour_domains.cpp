// The tour's section on domains and mailboxes: two domains (one of them international),
// mailboxes with quotas, aliases and forwards, a disabled and re-enabled domain, a renamed
// mailbox and one moved to the other domain.

#include "commands/mail_objects.h"
#include "commands/tour.h"
#include "framework/sizes.h"

namespace mailmgr {
namespace {

constexpr wchar_t company[] = L"example.com";
constexpr wchar_t books[] = L"xn--bcher-kva.example";  // "bücher.example" in its ASCII form

std::wstring describe(MailName& mail) {
  StringList aliases, forwards;
  mail.aliases(aliases);
  mail.forwards(forwards);
  const int quota = mail.quota();
  return L"quota " + (quota < 0 ? std::wstring(L"unlimited") : formatSize(quota)) + L", mailbox " +
         (mail.postbox() ? L"on" : L"off") + L", aliases " + joined(aliases) + L", forwards " + joined(forwards);
}

}  // namespace

void tourDomainsAndMailboxes(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  const auto inDomain = [&](const std::wstring& domain) {
    StringList names;
    provider.mailNames(domain, names);
    return joined(names);
  };
  const auto mailbox = [&](const wchar_t* name, const wchar_t* domain) {
    return hold(provider.openMailName(name, domain), std::wstring(name) + L"@" + domain);
  };

  tour.section(L"Mail domains");
  tour.say(L"Two domains: one with a 100M limit for each mailbox, and an international one that");
  tour.say(L"the mail server knows by its ASCII (\"xn--\") name.");
  tour.step(L"Create example.com", [&] {
    hold(provider.createDomain(company, 100 * 1024 * 1024), company);
    return std::wstring(L"created, mailbox limit 100M");
  });
  tour.step(L"Create xn--bcher-kva.example", [&] {
    hold(provider.createDomain(books, 0), books);
    return std::wstring(L"created (b\u00fccher.example), no limit");
  });
  tour.step(L"Domains", [&] {
    StringList names;
    provider.domains(names);
    return joined(names);
  });

  tour.section(L"Mailboxes");
  tour.say(L"Mail names with quotas; a new one keeps no mail until its mailbox is switched on.");
  tour.step(L"info@example.com", [&] {
    auto mail = hold(provider.createMailName(L"info", company, 50 * 1024 * 1024), L"info@example.com");
    mail->password(L"correct horse");
    mail->postbox(true);
    mail->addAlias(L"contact");
    return describe(*mail);
  });
  tour.step(L"sales@example.com", [&] {
    auto mail = hold(provider.createMailName(L"sales", company, 0), L"sales@example.com");
    mail->addForward(L"info@example.com");
    return describe(*mail);
  });
  tour.step(L"Mail names of example.com", [&] { return inDomain(company); });

  tour.section(L"Disabling a domain");
  tour.say(L"A disabled domain stays on the server under its name followed by \".d\".");
  tour.step(L"Disable example.com", [&] {
    auto domain = hold(provider.openDomain(company), company);
    domain->enable(false);
    return std::wstring(domain->isEnabled() ? L"still enabled" : L"disabled");
  });
  tour.step(L"Its mail names", [&] { return inDomain(company); });
  tour.step(L"Enable it again", [&] {
    auto domain = hold(provider.openDomain(company), company);
    domain->enable(true);
    return std::wstring(domain->isEnabled() ? L"enabled" : L"still disabled");
  });

  tour.section(L"Renaming and moving a mailbox");
  tour.say(L"The mailbox directory moves with the mail name.");
  tour.step(L"Rename sales to team", [&] {
    auto mail = mailbox(L"sales", company);
    mail->name(L"team");
    return mail->name() + L"@" + mail->domain();
  });
  tour.step(L"Move team to xn--bcher-kva.example", [&] {
    auto mail = mailbox(L"team", company);
    mail->domain(books);
    return mail->name() + L"@" + mail->domain() + L": " + describe(*mail);
  });
  tour.step(L"Mail names of example.com", [&] { return inDomain(company); });
  tour.step(L"Mail names of xn--bcher-kva.example", [&] { return inDomain(books); });
  tour.step(L"Mail directories of example.com", [&] {
    StringList paths;
    provider.domainMailPaths(company, L"", paths);
    return joined(paths);
  });
}

}  // namespace mailmgr
