#pragma once
// The period, measured domains, expected totals and finished files of a generated log
// directory as a text file, so that a run in another process, or a script, can check
// its results against them. One record a line, fields separated by single blanks:
//   from|to Y M D h m s       domain NAME       finished NAME
//   day NAME Y M D c1 c2 c3 c4 c5 c6
//   size BYTES LINES FILES

#include <string>

#include "traffic_log_generator.h"

void saveExpectedTraffic(const std::wstring& path, const GeneratedTraffic& generated);
// Raises std::runtime_error on a file that cannot be read or a malformed record.
// `directory` (ending in a backslash) is put in front of the finished names.
GeneratedTraffic loadExpectedTraffic(const std::wstring& path, const std::wstring& directory);
