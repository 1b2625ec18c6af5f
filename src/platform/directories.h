#pragma once
// Making and removing folders.

#include <windows.h>

#include <string>

void makeDir(const std::wstring& path, SECURITY_ATTRIBUTES* attributes = nullptr);
// Makes the folder and every missing folder above it.
void makeDirs(const std::wstring& path, SECURITY_ATTRIBUTES* attributes = nullptr);
// Removes the folder with everything in it. With force, read-only attributes and missing
// rights to delete are overcome (the current user is given the right to delete).
void removeDir(const std::wstring& path, bool force);
