// UpdateShellVerbs on Windows: the context-menu verb "Quillomat" for HTML files and folders as
// registry keys of the current user (HKEY_CURRENT_USER\Software\Classes, which Windows merges
// into the classes root): no administrator rights, and no other user's menus change.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace qlm::win32gui {

// Where the verbs go and where the file types of .htm and .html are looked up. Tests point
// both at a key of their own.
struct VerbRegistry {
  HKEY root = HKEY_CURRENT_USER;
  std::wstring classes = L"Software\\Classes";  // the verbs are written below root\classes
  HKEY lookup_root = HKEY_CLASSES_ROOT;         // the merged view the shell itself reads
  std::wstring lookup_classes;                  // "" for the classes root itself
};

// The three type names the verb is installed for, in order: the type of ".htm" (its default
// value in the lookup classes, "htmfile" when it has none), the type of ".html" ("htmlfile"
// when none), and "Directory". Only reads.
std::wstring HtmType(const VerbRegistry& registry);
std::wstring HtmlType(const VerbRegistry& registry);

// The command text of the verb: the program's path in double quotes, a blank, and %1 unquoted,
// so that the clicked item is the rest of the command line after the quoted path.
std::wstring VerbCommand(const std::wstring& program);

// `wanted` 1 adds the verbs for `program`, 0 removes them; the three types as a set.
// Adding creates T\shell\Quillomat\Command below root\classes for each type T, with the
// command as the Command key's default value. An extension key is never created or changed:
// writing ".htm" here would change which program opens every page. Removing deletes exactly
// Command and Quillomat under each type's shell key, then that shell key and the type key when
// they are left empty (adding may have made them); it creates nothing. Returns whether every
// key is as wanted; the program reports none of it.
bool UpdateShellVerbs(int wanted, const VerbRegistry& registry, const std::wstring& program);

// The product's call: the running executable, the current user's classes.
void UpdateShellVerbs(int wanted);

}  // namespace qlm::win32gui
