// The tour's section on mailing lists: a list with an owner and members kept in its member
// file, renamed and moved to another domain with its members. The section works in two
// domains of its own and removes them at the end, member files included, so that it can
// run again on the same server.

#include "commands/mail_objects.h"
#include "commands/tour.h"

namespace mailmgr {

void tourMailingLists(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  constexpr wchar_t company[] = L"lists.example.com";
  constexpr wchar_t books[] = L"lists.xn--bcher-kva.example";
  const auto open = [&](const wchar_t* name, const wchar_t* domain) {
    return hold(provider.openMailList(name, domain), std::wstring(name) + L"@" + domain);
  };
  const auto describe = [](MailList& list) {
    StringList members;
    list.members(members);
    return list.name() + L"@" + list.domain() + L", owner " + list.adminEMail() + L", members " + joined(members);
  };
  const auto listsOf = [&](const wchar_t* domain) {
    StringList names;
    provider.mailLists(domain, names);
    return joined(names);
  };

  tour.section(L"Mailing lists");
  tour.say(L"A list is an account of the mail server; its members are lines of a text file.");
  tour.step(L"Domains for lists", [&] {
    // What an interrupted earlier run left goes first.
    StringList existing;
    provider.domains(existing);
    for (const wchar_t* domain : {company, books}) {
      for (const std::wstring& name : existing) {
        if (name == domain) provider.removeDomain(domain);
      }
      hold(provider.createDomain(domain, 0), domain);
    }
    return std::wstring(company) + L", " + books;
  });
  tour.step(L"Create news@lists.example.com", [&] {
    hold(provider.createMailList(L"news", company, L"info@example.com", false), L"news@lists.example.com");
    return std::wstring(L"created, owner info@example.com, no members yet");
  });
  tour.step(L"Add three members", [&] {
    auto list = open(L"news", company);
    for (const wchar_t* member : {L"anna@example.org", L"ben@example.net", L"anna@example.org"}) {
      list->addMember(member);
    }
    return describe(*list);
  });
  tour.step(L"Remove anna@example.org once", [&] {
    auto list = open(L"news", company);
    list->delMember(L"anna@example.org");
    return describe(*list);
  });
  tour.step(L"Lists of lists.example.com", [&] { return listsOf(company); });

  tour.say(L"Renaming and moving take the member file along.");
  tour.step(L"Rename news to letters", [&] {
    auto list = open(L"news", company);
    list->name(L"letters");
    return describe(*list);
  });
  tour.step(L"Move letters to lists.xn--bcher-kva.example", [&] {
    auto list = open(L"letters", company);
    list->domain(books);
    list->adminEMail(L"team@lists.xn--bcher-kva.example");
    return describe(*list);
  });
  tour.step(L"Lists of lists.example.com", [&] { return listsOf(company); });
  tour.step(L"Lists of lists.xn--bcher-kva.example", [&] { return listsOf(books); });
  tour.step(L"Remove letters", [&] {
    provider.removeMailList(L"letters", books);
    return L"removed (its member file stays); lists left: " + listsOf(books);
  });
  tour.step(L"Remove the two domains", [&] {
    for (const wchar_t* domain : {company, books}) provider.removeDomain(domain);
    return std::wstring(L"removed, with their directories and member files");
  });
}

}  // namespace mailmgr
