#pragma once
// The stand-in's configuration files: UTF-8 text, CR LF line ends, a comment line first.
//
//   # <title>
//   domain<TAB>example.com              a record: keyword, tab, name
//   <TAB>D_Type<TAB>i4<TAB>0            a property of the record above: name, type tag, value
//
// Fields are escaped as text.h describes; type tags are those of property_value.h.

#include <string>
#include <vector>

#include "property_value.h"

struct ConfigRecord {
  std::wstring keyword;
  std::wstring name;
  PropertyMap properties;
};

enum class ConfigRead { ok, missing, unreadable, malformed };

// Reads every record of the file; on any result but ok the records are left empty.
ConfigRead readConfigFile(const std::wstring& path, std::vector<ConfigRecord>& records);

// Replaces the file as a whole (written beside it, then moved over it); false on failure,
// which leaves the old file in place.
bool writeConfigFile(const std::wstring& path, const std::wstring& title, const std::vector<ConfigRecord>& records);
