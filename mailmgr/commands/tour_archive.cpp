// The tour's section on the mail archive: a mailbox gets mail and an attachment, the mail
// server is saved into the archive, the mailbox is emptied, and a load brings it back.

#include <list>

#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "commands/tour.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/files_of_dir.h"
#include "platform/vfile.h"

namespace mailmgr {
namespace {

constexpr wchar_t company[] = L"example.com";

const std::pair<const wchar_t*, const char*> delivered[] = {
    {L"inbox\\1.eml", "From: a@example.org\r\nSubject: welcome\r\n\r\nHello.\r\n"},
    {L"inbox\\2.eml", "From: b@example.org\r\nSubject: report\r\n\r\nSee the attachment.\r\n"},
    {L"Attachments\\report.txt", "quarterly figures\r\n"},
};

void writeText(const std::wstring& path, const char* text) {
  VFile file(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  file.write(text, static_cast<DWORD>(std::char_traits<char>::length(text)));
}

std::string readText(const std::wstring& path) {
  VFile file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  std::string text;
  file.readAll(text);
  return text;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

void tourArchive(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  tour.section(L"The mail archive");
  tour.say(L"Before a mail-server update the mail manager saves every mailbox and mailing list into");
  tour.say(L"an archive below the control panel's root, and loads them back afterwards.");

  std::wstring mailbox, owner;
  tour.step(L"Mail delivered", [&] {
    StringList names;
    provider.mailNames(company, names);
    if (names.empty()) return std::wstring(L"no mail name in example.com to deliver to");
    owner = names.front() + L"@" + company;
    mailbox = provider.mailPath();
    if (!mailbox.empty() && mailbox.back() != L'\\') mailbox += L'\\';
    mailbox += std::wstring(company) + L"\\" + names.front();
    makeDirs(mailbox + L"\\inbox");
    makeDirs(mailbox + L"\\Attachments");
    for (const auto& [name, text] : delivered) writeText(mailbox + L"\\" + name, text);
    return owner + L": 2 messages and 1 attachment";
  });
  if (mailbox.empty()) return;
  int savedSize = 0;
  tour.step(L"Maximum message size", [&] {
    provider.maxLetterSize(8 * 1024 * 1024);
    savedSize = provider.maxLetterSize();
    return std::to_wstring(savedSize) + L" bytes";
  });

  tour.step(L"Save", [&] {
    MailArchive archive(true);
    MailTransporter(provider, archive).saveMail();
    std::list<std::wstring> stored;
    filesOfDir(stored, archive.root(), listDirectories, L"*.*");
    std::vector<std::wstring> names;
    for (const auto& path : stored) names.push_back(L"\"" + path.substr(path.find_last_of(L'\\') + 1) + L"\"");
    return archive.root() + L": info.xml, " + joined(names, L", ");
  });
  tour.step(L"Mailbox emptied", [&] {
    removeDir(mailbox, true);
    provider.maxLetterSize(1024 * 1024);
    return owner + L" has no files; maximum message size now " + std::to_wstring(provider.maxLetterSize());
  });
  tour.step(L"Load", [&] {
    MailArchive archive(false);
    MailTransporter(provider, archive).loadMail();
    return std::wstring(L"restored; the archive directory is removed");
  });
  for (const auto& [name, text] : delivered) {
    tour.step(name, [&, name = name, text = text] {
      const std::wstring path = mailbox + L"\\" + name;
      if (!exists(path)) return std::wstring(L"MISSING");
      return std::to_wstring(fileSize(path)) + L" bytes, " +
             (readText(path) == text ? L"as delivered" : L"DIFFERENT from what was delivered");
    });
  }
  tour.step(L"Maximum message size", [&] {
    const int size = provider.maxLetterSize();
    return std::to_wstring(size) + L" bytes" + (size == savedSize ? L" (as saved)" : L" (NOT as saved)");
  });
}

}  // namespace mailmgr
