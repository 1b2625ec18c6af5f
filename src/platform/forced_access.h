#pragma once
// What the forced removals do before trying again: give the current user the right to
// delete the object and to change its attributes, and clear its read-only attribute.

#include <string>

void clearReadOnly(const std::wstring& path);
void forceDeleteAccess(const std::wstring& path);
