// The tour's section on outgoing mail: a new mailing list announced to its owner, a mail
// with an attachment, and the announcement forwarded, each found in the recipient's
// mailbox afterwards. The mail goes out through the local mail server's SMTP port; the
// section works in a domain of its own and removes it at the end.

#include <algorithm>
#include <list>

#include "commands/mail_objects.h"
#include "commands/tour.h"
#include "platform/files_of_dir.h"
#include "platform/vfile.h"

namespace mailmgr {
namespace {

constexpr wchar_t domain[] = L"post.example.com";

struct Delivered {
  std::wstring path;
  std::string subject;
};

// The stored mails of a mailbox, oldest first (their names begin with the time received).
std::vector<Delivered> mailbox(MailProvider& provider, const std::wstring& name) {
  std::wstring directory = provider.mailPath();
  if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
  directory += std::wstring(domain) + L"\\" + name;
  std::list<std::wstring> files;
  if (GetFileAttributesW(directory.c_str()) != INVALID_FILE_ATTRIBUTES) filesOfDir(files, directory, listFiles, L"*.eml");
  std::vector<Delivered> mails;
  for (const std::wstring& path : files) {
    std::string text;
    VFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING).readAll(text);
    const std::size_t at = text.find("\r\nSubject: ");
    const std::size_t end = at == std::string::npos ? at : text.find("\r\n", at + 2);
    mails.push_back({path, at == std::string::npos ? "" : text.substr(at + 11, end - at - 11)});
  }
  std::sort(mails.begin(), mails.end(), [](const Delivered& a, const Delivered& b) { return a.path < b.path; });
  return mails;
}

std::wstring describe(const std::vector<Delivered>& mails) {
  if (mails.empty()) throw Failure{L"nothing delivered"};
  const std::wstring subject(mails.back().subject.begin(), mails.back().subject.end());
  return std::to_wstring(mails.size()) + L" mail(s), the last \"" + subject + L"\"";
}

// A mail's life ends with its send, also when the send fails.
void send(MailInfo* mail) {
  if (!mail) throw Failure{L"the module had no memory for the mail"};
  mail->send();
}

}  // namespace

void tourOutgoingMail(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  tour.section(L"Outgoing mail");
  tour.say(L"The module composes mail with the platform's message component and sends it through");
  tour.say(L"the local mail server's SMTP port (port 25, else once more the server's own SMTP port).");
  tour.step(L"Domain with two mailboxes", [&] {
    StringList existing;
    provider.domains(existing);
    if (std::find(existing.begin(), existing.end(), domain) != existing.end()) provider.removeDomain(domain);
    hold(provider.createDomain(domain, 0), domain);
    for (const wchar_t* name : {L"owner", L"ann"}) hold(provider.createMailName(name, domain, 0), name);
    return std::wstring(L"owner@") + domain + L", ann@" + domain;
  });
  tour.step(L"Create news, announced to its owner", [&] {
    hold(provider.createMailList(L"news", domain, std::wstring(L"owner@") + domain, true), L"news");
    return std::wstring(L"created; the announcement was sent from news@") + domain;
  });
  tour.step(L"Mailbox of owner", [&] { return describe(mailbox(provider, L"owner")); });

  tour.step(L"Send ann a mail with an attachment", [&] {
    const std::vector<Delivered> delivered = mailbox(provider, L"owner");
    const StringList attachments = {delivered.empty() ? std::wstring() : delivered.back().path};
    send(provider.createMail(std::wstring(L"owner@") + domain, L"The owner", std::wstring(L"ann@") + domain, L"Ann",
                             L"Minutes of the meeting", L"Dear Ann,\nthe minutes are attached.\n", &attachments, L""));
    return std::wstring(L"sent, the announcement attached");
  });
  tour.step(L"Forward the announcement to ann", [&] {
    const std::vector<Delivered> delivered = mailbox(provider, L"owner");
    if (delivered.empty()) throw Failure{L"no announcement to forward"};
    send(provider.forwardMail(std::wstring(L"ann@") + domain, L"Ann", delivered.front().path));
    return std::wstring(L"sent");
  });
  tour.step(L"Mailbox of ann", [&] {
    const std::vector<Delivered> mails = mailbox(provider, L"ann");
    std::wstring text = describe(mails);
    if (MailName* ann = provider.openMailName(L"ann", domain)) {
      text += L"; " + std::to_wstring(ann->mailboxSize()) + L" bytes in all";
      ann->release();
    }
    return text;
  });
  tour.step(L"Remove the domain", [&] {
    provider.removeDomain(domain);
    return std::wstring(L"removed");
  });
}

}  // namespace mailmgr
