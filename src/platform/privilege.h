#pragma once
// Switching one privilege of the caller's token.

// Raises, among others, code 1300 when the token does not hold the privilege at all.
void setPrivilege(const wchar_t* name, bool enable);
