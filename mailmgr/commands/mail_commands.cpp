// Outgoing mail: a composed mail, and a stored mail forwarded to a new address.

#include "commands/command_sets.h"
#include "framework/invocation.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

std::wstring required(Invocation& in, const wchar_t* name) {
  const auto value = in.option(name);
  if (!value || value->empty()) throw UsageError{std::wstring(L"--") + name + L" is required"};
  return *value;
}

void reportSent(Invocation& in, const std::wstring& to) {
  if (in.json()) {
    in.print(Json{{"sent", true}, {"to", to}});
  } else {
    in.out().line(L"Sent to " + to);
  }
}

int send(Invocation& in) {
  const std::wstring to = required(in, L"to");
  const StringList attachments(in.arguments().begin(), in.arguments().end());
  MailInfo* mail = in.provider().createMail(required(in, L"from"), in.option(L"from-name").value_or(L""), to,
                                            in.option(L"to-name").value_or(L""), in.option(L"subject").value_or(L""),
                                            in.option(L"body").value_or(L""), &attachments,
                                            in.option(L"reply-to").value_or(L""));
  mail->send();  // ends the mail's life, also when it fails
  reportSent(in, to);
  return 0;
}

int forward(Invocation& in) {
  const std::wstring to = required(in, L"to");
  in.provider().forwardMail(to, in.option(L"to-name").value_or(L""), in.arguments().at(0))->send();
  reportSent(in, to);
  return 0;
}

}  // namespace

void addMailCommands(CommandTable& table) {
  table.groups.push_back({L"mail", L"Outgoing mail"});
  const OptionSpec to = {L"to", L"ADDRESS", L"the recipient's mail address"};
  const OptionSpec toName = {L"to-name", L"NAME", L"the recipient's name"};
  const std::vector<CommandSpec> commands = {
      {L"mail", L"send", {{L"FILE", L"a file to attach", true, true}},
       {{L"from", L"ADDRESS", L"the sender's mail address"},
        {L"from-name", L"NAME", L"the sender's name"},
        to,
        toName,
        {L"subject", L"TEXT", L"the subject"},
        {L"body", L"TEXT", L"the text of the mail"},
        {L"reply-to", L"ADDRESS", L"where replies go"}},
       L"Send a mail through the local mail server",
       L"Composes a plain-text mail (UTF-8, line ends made CR LF) with the files given as\n"
       L"attachments and sends it through the local mail server's SMTP port: port 25 first,\n"
       L"then once more the server's own SMTP port when no connection could be made.",
       send},
      {L"mail", L"forward", {{L"FILE", L"the stored mail (an .eml file)"}}, {to, toName},
       L"Forward a stored mail to a new address",
       L"Loads the stored mail, makes its subject \"FW: \" + the old one, its sender the old\n"
       L"recipient and drops a final full-stop line of its text; then sends it like 'mail send'.",
       forward},
  };
  table.commands.insert(table.commands.end(), commands.begin(), commands.end());
}

}  // namespace mailmgr
