// Saving the mail server's mailboxes and mailing lists into the mail archive and loading
// them back, as the mail manager does around a mail-server update. The walk is the
// module's own MailTransporter, run here in the host over the loaded module's provider.

#include <memory>

#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "commands/command_sets.h"
#include "framework/invocation.h"
#include "platform/files_of_dir.h"

namespace mailmgr {
namespace {

std::unique_ptr<MailArchive> openArchive(Invocation& in, bool fresh) {
  const auto root = in.option(L"root");
  return root ? std::make_unique<MailArchive>(fresh, *root) : std::make_unique<MailArchive>(fresh);
}

void configure(MailTransporter& transporter, Invocation& in) {
  transporter.continueOnError = in.flag(L"continue");
  transporter.withMailboxes = !in.flag(L"no-mailboxes");
  transporter.withMailLists = !in.flag(L"no-lists");
}

int archiveSave(Invocation& in) {
  MailProvider& provider = in.provider();
  const std::unique_ptr<MailArchive> archive = openArchive(in, true);
  MailTransporter transporter(provider, *archive);
  configure(transporter, in);
  transporter.saveMail();
  std::list<std::wstring> stored;
  filesOfDir(stored, archive->root(), listDirectories, L"*.*");
  if (in.json()) {
    Json names = Json::array();
    for (const auto& path : stored) names.push_back(path.substr(path.find_last_of(L'\\') + 1));
    in.print(Json{{"archive", archive->root()}, {"stored", names}});
    return 0;
  }
  in.out().line(L"Saved to " + archive->root() + L": info.xml and " + std::to_wstring(stored.size()) +
                L" stored director" + (stored.size() == 1 ? L"y" : L"ies"));
  return 0;
}

int archiveLoad(Invocation& in) {
  MailProvider& provider = in.provider();
  std::wstring root;
  {
    const std::unique_ptr<MailArchive> archive = openArchive(in, false);
    root = archive->root();
    MailTransporter transporter(provider, *archive);
    configure(transporter, in);
    transporter.loadMail();
  }
  if (in.json()) {
    in.print(Json{{"archive", root}, {"loaded", true}});
    return 0;
  }
  in.out().line(L"Loaded from " + root + L"; the archive is removed");
  return 0;
}

const std::vector<OptionSpec> archiveOptions = {
    {L"root", L"DIR", L"the archive directory (default: tmp\\_MailArchive below the control panel's root)"},
    {L"continue", L"", L"skip a failing provider call instead of stopping"},
    {L"no-mailboxes", L"", L"leave the mailboxes out"},
    {L"no-lists", L"", L"leave the mailing lists out"},
};

}  // namespace

void addArchiveCommands(CommandTable& table) {
  table.groups.push_back({L"archive", L"The mail archive kept across a mail-server update"});
  table.commands.push_back(
      {L"archive", L"save", {}, archiveOptions,
       L"Save every domain's mailboxes and mailing lists into the mail archive",
       L"Writes a fresh mail archive: the maximum message size, and per domain the mailbox\n"
       L"directories, their attachments directories and the mailing lists' members. An earlier\n"
       L"archive at the same place is discarded first.",
       archiveSave});
  table.commands.push_back(
      {L"archive", L"load", {}, archiveOptions,
       L"Restore mailboxes and mailing lists from the mail archive, then remove it",
       L"Restores what the archive holds into the domains, mail names and mailing lists that\n"
       L"the mail server has now (names compared without regard to letter case); others are\n"
       L"passed over, nothing is created. An archive without a description restores nothing.\n"
       L"The archive directory is removed afterwards.",
       archiveLoad});
}

}  // namespace mailmgr
