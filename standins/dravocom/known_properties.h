#pragma once
// Which property names each kind of object keeps: the API object "C_" names, domain objects
// "D_" names, account objects "U_" and "M_" names (mail names and mailing lists are both
// accounts). A read of any other name gives VT_EMPTY; a write is refused with a negative "LastErr".

#include <string>

#include "members.h"

bool isPropertyOf(ObjectKind kind, const std::wstring& name);
// Account names and the server's directories are kept only as strings.
bool isTextOnlyProperty(const std::wstring& name);
