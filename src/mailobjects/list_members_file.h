#pragma once
// A mailing list's member file: one address a line in the ANSI code page, lines ended by
// CR LF. Reading accepts LF alone, blank lines and a last line without its end.

#include <string>

#include "interfaces/provider_types.h"

namespace Dravo {

// The whole file as bytes; a missing file fails in the file layer.
std::string readMemberFile(const std::wstring& path);
// Replaces the whole file with bytes; a write that fails part way leaves the old content.
void writeMemberFile(const std::wstring& path, const std::string& bytes);
// Appends the file's non-empty lines, in file order, to members.
void splitMembers(const std::string& bytes, StringList& members);

}  // namespace Dravo
