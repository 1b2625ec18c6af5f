#pragma once
// The mail server's static filter file for the control panel: the panel's template with
// its variables filled in, installed into the mail server's configuration directory.

#include <map>
#include <string>

using TemplateVariables = std::map<std::wstring, std::wstring>;

// Replaces every "<name>" whose name is a variable by its value. The value is scanned
// again, so a value may itself hold placeholders; other bracketed text stays as it is.
std::wstring fillTemplate(std::wstring text, const TemplateVariables& variables);

// Reads the template (ANSI code page), fills it in and writes it to target. An existing
// target is kept as target + ".bak", replacing an older backup.
void installStaticFilters(const std::wstring& templatePath, const std::wstring& target,
                          const TemplateVariables& variables);
