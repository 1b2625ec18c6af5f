#pragma once
// Carries the mail configuration across a mail-server update: saveMail walks every domain,
// mailbox and mailing list through the provider's operations into the archive; loadMail
// restores from the archive what the server still has. Neither creates domains, mail
// names or lists.

#include <functional>

#include "archive/mail_archive.h"
#include "interfaces/mail_provider.h"

class MailTransporter {
 public:
  MailTransporter(MailProvider& provider, MailArchive& archive);

  void saveMail();
  void loadMail();

  bool withMailboxes = true;
  bool withMailLists = true;
  // A failing provider call is skipped instead of ending the whole run.
  bool continueOnError = false;

  // Used on save when the maximum message size cannot be read and errors are skipped.
  static constexpr int defaultMaxLetterSize = 5120000;

 private:
  // Runs the call; a failure passes on unchanged unless continueOnError is set. True when
  // the call finished.
  bool guarded(const std::function<void()>& call);

  MailProvider& provider_;
  MailArchive& archive_;
};
