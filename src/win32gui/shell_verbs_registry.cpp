#include "shell_verbs_registry.h"

#include <array>
#include <vector>

namespace qlm::win32gui {

namespace {

constexpr wchar_t kVerbPath[] = L"\\shell\\Quillomat";
constexpr wchar_t kCommand[] = L"\\Command";

// Owns an open key; closes it when destroyed.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring Below(const std::wstring& base, const std::wstring& name) {
  return base.empty() ? name : base + L"\\" + name;
}

// The default value of `path` below `root` as text, or "" when it has none that is text.
std::wstring DefaultValue(HKEY root, const std::wstring& path) {
  Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return {};
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t)) {
    return {};
  }
  std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  return std::wstring(value.data());
}

std::wstring TypeOf(const VerbRegistry& registry, const wchar_t* extension,
                    const wchar_t* fallback) {
  std::wstring type = DefaultValue(registry.lookup_root, Below(registry.lookup_classes, extension));
  // A type name that would not make a key name of one level is no type of ours to extend.
  if (type.empty() || type.find(L'\\') != std::wstring::npos) return fallback;
  return type;
}

// Whether the key at `path` below `root` holds neither subkeys nor values.
bool IsEmptyKey(HKEY root, const std::wstring& path) {
  Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

// Deletes the key at `path` below `root`; a key that is not there counts as deleted.
bool DeleteKey(HKEY root, const std::wstring& path) {
  const LONG status = RegDeleteKeyW(root, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool AddVerb(const VerbRegistry& registry, const std::wstring& type, const std::wstring& command) {
  const std::wstring path = Below(registry.classes, type + kVerbPath + kCommand);
  Key key;
  if (RegCreateKeyExW(registry.root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), nullptr, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(command.c_str()), bytes) == ERROR_SUCCESS;
}

bool RemoveVerb(const VerbRegistry& registry, const std::wstring& type) {
  const std::wstring type_path = Below(registry.classes, type);
  const std::wstring verb = type_path + kVerbPath;
  bool done = DeleteKey(registry.root, verb + kCommand);
  done = DeleteKey(registry.root, verb) && done;
  // What adding may have made around the verb goes when nothing else is left in it.
  for (const std::wstring& path : {type_path + L"\\shell", type_path}) {
    if (IsEmptyKey(registry.root, path)) DeleteKey(registry.root, path);
  }
  return done;
}

}  // namespace

std::wstring HtmType(const VerbRegistry& registry) {
  return TypeOf(registry, L".htm", L"htmfile");
}

std::wstring HtmlType(const VerbRegistry& registry) {
  return TypeOf(registry, L".html", L"htmlfile");
}

std::wstring VerbCommand(const std::wstring& program) {
  return L"\"" + program + L"\" %1";
}

bool UpdateShellVerbs(int wanted, const VerbRegistry& registry, const std::wstring& program) {
  const std::array<std::wstring, 3> types = {HtmType(registry), HtmlType(registry), L"Directory"};
  bool done = true;
  for (std::size_t i = 0; i < types.size(); ++i) {
    // .htm and .html usually name the same type: one verb key serves both.
    if (i == 1 && types[1] == types[0]) continue;
    done = (wanted != 0 ? AddVerb(registry, types[i], VerbCommand(program))
                        : RemoveVerb(registry, types[i])) &&
           done;
  }
  return done;
}

void UpdateShellVerbs(int wanted) {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return;
  UpdateShellVerbs(wanted, VerbRegistry{}, std::wstring(buffer.data(), length));
}

}  // namespace qlm::win32gui
