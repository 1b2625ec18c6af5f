#pragma once
// Each area of the tool adds its groups and commands to the table here.

#include "framework/command.h"

namespace mailmgr {

void addDomainChangeCommands(CommandTable& table);
void addMailNameChangeCommands(CommandTable& table);
void addTrafficCommands(CommandTable& table);
void addServiceCommands(CommandTable& table);
void addPackageCommands(CommandTable& table);
void addSettingsCommands(CommandTable& table);
void addListCommands(CommandTable& table);
void addArchiveCommands(CommandTable& table);
void addMailCommands(CommandTable& table);

}  // namespace mailmgr
