#pragma once
// The command handlers that the command table lists.

#include "framework/invocation.h"

namespace mailmgr {

int serverInfo(Invocation& in);
int serverSupports(Invocation& in);
int serverAbilities(Invocation& in);
int serverServiceName(Invocation& in);
int serverMailPaths(Invocation& in);

int domainCreate(Invocation& in);
int domainShow(Invocation& in);
int domainRemove(Invocation& in);
int domainList(Invocation& in);
int domainMailPaths(Invocation& in);

int mailNameCreate(Invocation& in);
int mailNameShow(Invocation& in);
int mailNameSetPassword(Invocation& in);
int mailNameRemove(Invocation& in);
int mailNameList(Invocation& in);

int demo(Invocation& in);

}  // namespace mailmgr
