#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/explorer_verb.h"
#include "platform/file_system.h"
#include "ui/wide_text.h"

namespace vantric {
namespace {

constexpr std::array<std::string_view, 8> kExtensions = {".exe", ".dll", ".sys", ".ocx",
                                                         ".scr", ".cpl", ".com", ".msi"};
constexpr std::string_view kVerbText = "Analyse with Vantric";
// Everything is made under HKEY_CURRENT_USER\Software, which is always there;
// Classes itself may not be (a new Wine prefix has none).
constexpr std::wstring_view kRoot = L"Software";
constexpr std::wstring_view kVerbKey = L"AnalyseWithVantric";
// How many of the verb key's nearest parents --register created. A key made
// inside a new key is new too, so a count names them; --unregister removes
// those, and only while they stay empty.
constexpr wchar_t kCreatedParents[] = L"VantricCreatedParents";
constexpr DWORD kParentCount = 4;

std::string SystemMessage(LSTATUS status) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", length);
  LocalFree(buffer);
  while (!text.empty() && (iswspace(text.back()) || text.back() == L'.')) text.pop_back();
  if (text.empty()) return "error " + std::to_string(status);
  return ui::Utf8Text(text);
}

class RegistryFailure : public std::runtime_error {
 public:
  RegistryFailure(std::wstring_view path, LSTATUS status)
      : std::runtime_error("HKEY_CURRENT_USER\\" + ui::Utf8Text(kRoot) + (path.empty() ? "" : "\\") +
                           ui::Utf8Text(path) + ": " + SystemMessage(status)) {}
};

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(Key&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  Key& operator=(Key&&) = delete;
  HKEY get() const { return key_; }
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// The keys from Software to the verb, one name each: four parents, the verb.
std::array<std::wstring, kParentCount + 1> Chain(std::string_view extension) {
  return {L"Classes", L"SystemFileAssociations", ui::WideText(extension), L"shell", std::wstring(kVerbKey)};
}

// The first `depth` names of a chain as a path under Software.
std::wstring ChainPath(const std::array<std::wstring, kParentCount + 1>& chain, std::size_t depth) {
  std::wstring path;
  for (std::size_t i = 0; i < depth; ++i) path += (i ? L"\\" : L"") + chain[i];
  return path;
}

Key OpenRoot() {
  Key root;
  if (LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kRoot.data(), 0, KEY_READ | KEY_WRITE, root.out());
      status != ERROR_SUCCESS) {
    throw RegistryFailure(L"", status);
  }
  return root;
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

DWORD ReadCount(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return 0;
  }
  return std::min(value, kParentCount);
}

void WriteString(HKEY key, const wchar_t* name, const std::wstring& text, std::wstring_view path) {
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  if (LSTATUS status =
          RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
      status != ERROR_SUCCESS) {
    throw RegistryFailure(path, status);
  }
}

// Deletes a key with everything in it; a key that is not there is no error.
LSTATUS DeleteTree(HKEY parent, const std::wstring& name) {
  {
    Key key;
    LSTATUS status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.out());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    // Registry key names are at most 255 characters.
    std::array<wchar_t, 256> child{};
    for (;;) {
      DWORD length = child.size();
      status = RegEnumKeyExW(key.get(), 0, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) return status;
      if ((status = DeleteTree(key.get(), std::wstring(child.data(), length))) != ERROR_SUCCESS)
        return status;
    }
  }
  return RegDeleteKeyW(parent, name.c_str());
}

// Deletes a key that holds no key and no value; one that does stays.
void DeleteIfEmpty(HKEY root, const std::wstring& path) {
  {
    Key key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return;
    DWORD keys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        keys != 0 || values != 0) {
      return;
    }
  }
  if (LSTATUS status = RegDeleteKeyW(root, path.c_str()); status != ERROR_SUCCESS) {
    throw RegistryFailure(path, status);
  }
}

// Removes the verb of these file types and then the parents that were made
// for it; false when none was there. Parents are shared between file types,
// so they go last, deepest first.
bool RemoveVerbs(HKEY root, std::span<const std::string_view> extensions) {
  bool removed = false;
  std::set<std::pair<std::size_t, std::wstring>, std::greater<>> parents;
  for (std::string_view extension : extensions) {
    const auto chain = Chain(extension);
    const std::wstring verbPath = ChainPath(chain, chain.size());
    DWORD created = 0;
    {
      Key verb;
      if (RegOpenKeyExW(root, verbPath.c_str(), 0, KEY_READ, verb.out()) != ERROR_SUCCESS) continue;
      created = ReadCount(verb.get(), kCreatedParents);
    }
    if (LSTATUS status = DeleteTree(root, verbPath); status != ERROR_SUCCESS) {
      throw RegistryFailure(verbPath, status);
    }
    removed = true;
    for (DWORD depth = kParentCount; depth > kParentCount - created; --depth) {
      parents.emplace(depth, ChainPath(chain, depth));
    }
  }
  for (const auto& [depth, path] : parents) DeleteIfEmpty(root, path);
  return removed;
}

enum class Change { kAdded, kUpdated, kUnchanged };

Change AddVerb(HKEY root, std::string_view extension, const std::wstring& command) {
  const auto chain = Chain(extension);
  const std::wstring verbPath = ChainPath(chain, chain.size());
  const std::wstring text = ui::WideText(kVerbText);
  std::array<Key, kParentCount + 1> keys;
  DWORD created = 0;
  bool verbIsNew = false;
  try {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      DWORD disposition = 0;
      if (LSTATUS status = RegCreateKeyExW(i ? keys[i - 1].get() : root, chain[i].c_str(), 0, nullptr, 0,
                                           KEY_READ | KEY_WRITE, nullptr, keys[i].out(), &disposition);
          status != ERROR_SUCCESS) {
        throw RegistryFailure(ChainPath(chain, i + 1), status);
      }
      const bool isNew = disposition == REG_CREATED_NEW_KEY;
      if (i < kParentCount) {
        created += isNew;
      } else {
        verbIsNew = isNew;
      }
    }
    HKEY verb = keys.back().get();
    const std::wstring commandPath = verbPath + L"\\command";
    Key commandKey;
    if (!verbIsNew) {
      // Registered before: what it made then is still to be removed.
      created = std::max(created, ReadCount(verb, kCreatedParents));
      const bool sameCommand =
          RegOpenKeyExW(verb, L"command", 0, KEY_READ, commandKey.out()) == ERROR_SUCCESS &&
          ReadString(commandKey.get(), nullptr) == command;
      if (sameCommand && ReadString(verb, nullptr) == text && ReadCount(verb, kCreatedParents) == created) {
        return Change::kUnchanged;
      }
    }
    // The count first: if a later step fails, the removal still knows it.
    if (created > 0) {
      if (LSTATUS status = RegSetValueExW(verb, kCreatedParents, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&created), sizeof created);
          status != ERROR_SUCCESS) {
        throw RegistryFailure(verbPath, status);
      }
    }
    WriteString(verb, nullptr, text, verbPath);
    Key commandWrite;
    if (LSTATUS status = RegCreateKeyExW(verb, L"command", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                         commandWrite.out(), nullptr);
        status != ERROR_SUCCESS) {
      throw RegistryFailure(commandPath, status);
    }
    WriteString(commandWrite.get(), nullptr, command, commandPath);
  } catch (const RegistryFailure&) {
    // Leave nothing half made: what this call created goes again.
    for (Key& key : keys) {
      if (key.get()) RegCloseKey(std::exchange(*key.out(), nullptr));
    }
    if (verbIsNew) DeleteTree(root, verbPath);
    for (DWORD depth = kParentCount; depth > kParentCount - created; --depth) {
      try {
        DeleteIfEmpty(root, ChainPath(chain, depth));
      } catch (const RegistryFailure&) {
      }
    }
    throw;
  }
  return verbIsNew ? Change::kAdded : Change::kUpdated;
}

std::string ExtensionList() {
  std::string list;
  for (std::size_t i = 0; i < kExtensions.size(); ++i) {
    if (i) list += i + 1 == kExtensions.size() ? " and " : ", ";
    list += kExtensions[i];
  }
  return list;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Writes to a standard handle the program inherited (a console, a file or a
// pipe), else to the console of the program that started this one; false
// when there is neither.
bool WriteToConsole(DWORD which, const std::string& line) {
  const std::wstring wide = ui::WideText(line + "\r\n");
  auto write = [&](HANDLE handle) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
      return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    }
    const std::string bytes = line + "\r\n";
    return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
           written == bytes.size();
  };
  HANDLE inherited = GetStdHandle(which);
  if (inherited && inherited != INVALID_HANDLE_VALUE && GetFileType(inherited) != FILE_TYPE_UNKNOWN &&
      write(inherited)) {
    return true;
  }
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  const bool written = console != INVALID_HANDLE_VALUE && write(console);
  if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
  FreeConsole();
  return written;
}

void Tell(const ExplorerVerbOutcome& outcome) {
  if (WriteToConsole(outcome.ok ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, outcome.message)) return;
  MessageBoxW(nullptr, ui::WideText(outcome.message).c_str(), L"Vantric",
              MB_OK | (outcome.ok ? MB_ICONINFORMATION : MB_ICONERROR));
}

}  // namespace

std::span<const std::string_view> ExplorerVerbExtensions() { return kExtensions; }

ExplorerVerbOutcome RegisterExplorerVerb(const std::string& programPath) {
  const std::string what = Quoted(kVerbText);
  if (programPath.empty() || programPath.find('"') != std::string::npos) {
    return {false, "Cannot add " + what + " to Explorer's menu: the program's path " + Quoted(programPath) +
                       " cannot be put on a command line."};
  }
  const std::wstring command = ui::WideText(Quoted(programPath) + " \"%1\"");
  std::vector<std::string_view> added;
  bool changed = false;
  try {
    const Key root = OpenRoot();
    try {
      for (std::string_view extension : kExtensions) {
        const Change change = AddVerb(root.get(), extension, command);
        if (change == Change::kAdded) added.push_back(extension);
        changed |= change != Change::kUnchanged;
      }
    } catch (const RegistryFailure&) {
      // A failed registration leaves none of what it added.
      try {
        RemoveVerbs(root.get(), added);
      } catch (const RegistryFailure&) {
      }
      throw;
    }
  } catch (const RegistryFailure& failure) {
    return {false, "Cannot add " + what + " to Explorer's menu: " + failure.what() + "."};
  }
  if (!changed) {
    return {true, what + " is already in Explorer's menu of " + ExtensionList() + " files; nothing changed."};
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return {true, "Added " + what + " to Explorer's right-click menu of " + ExtensionList() +
                    " files, for this user only. It starts " + programPath +
                    ". \"vantric.exe --unregister\" removes it."};
}

ExplorerVerbOutcome UnregisterExplorerVerb() {
  const std::string what = Quoted(kVerbText);
  try {
    const Key root = OpenRoot();
    if (!RemoveVerbs(root.get(), kExtensions)) {
      return {true, what + " is not in Explorer's menu; nothing to remove."};
    }
  } catch (const RegistryFailure& failure) {
    return {false, "Cannot remove " + what + " from Explorer's menu: " + failure.what() + "."};
  }
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return {true, "Removed " + what + " from Explorer's right-click menu."};
}

std::optional<int> RunExplorerVerbOption(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1 || (arguments[0] != "--register" && arguments[0] != "--unregister")) {
    return std::nullopt;
  }
  ExplorerVerbOutcome outcome;
  if (arguments[0] == "--unregister") {
    outcome = UnregisterExplorerVerb();
  } else if (const std::string program = RunningProgramPath(); program.empty()) {
    outcome = {false,
               "Cannot add " + Quoted(kVerbText) + " to Explorer's menu: the program's own path is unknown."};
  } else {
    outcome = RegisterExplorerVerb(program);
  }
  Tell(outcome);
  return outcome.ok ? 0 : 1;
}

}  // namespace vantric
