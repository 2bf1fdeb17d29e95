// Adds and removes the Explorer verb in this user's registry (under Wine, the
// test prefix's) and compares the registry before and after.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/explorer_verb.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine_path.h"

namespace {

using namespace std::chrono_literals;

const std::vector<std::wstring> kExtensions = {L".exe", L".dll", L".sys", L".ocx",
                                               L".scr", L".cpl", L".com", L".msi"};
const std::wstring kAssociations = L"Software\\Classes\\SystemFileAssociations\\";

std::wstring VerbKey(const std::wstring& extension) {
  return kAssociations + extension + L"\\shell\\AnalyseWithVantric";
}

std::optional<std::wstring> ReadDefault(const std::wstring& key) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return buffer;
}

// HKEY_CURRENT_USER\Software\Classes as "reg export" writes it; nothing when
// the key is not there (a new Wine prefix has none).
std::optional<std::string> ExportClasses() {
  HKEY classes = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegCloseKey(classes);
  vantric::testing::TempDir dir;
  const std::string file = dir.File("classes.reg");
  std::string command = "reg.exe export HKCU\\Software\\Classes \"" + file + "\" /y";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u) << command;
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Keys a case puts in place before registering; it removes those it made.
class PresetKeys {
 public:
  explicit PresetKeys(const std::vector<std::wstring>& keys) {
    for (const std::wstring& key : keys) {
      // One level at a time, so that only the levels made here are removed.
      for (std::size_t end = key.find(L'\\', 9);; end = key.find(L'\\', end + 1)) {
        const std::wstring path = key.substr(0, end);
        HKEY handle = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                                  &disposition),
                  ERROR_SUCCESS);
        if (path.ends_with(L"\\command")) {
          const wchar_t command[] = L"other.exe \"%1\"";
          RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), sizeof command);
        }
        RegCloseKey(handle);
        if (disposition == REG_CREATED_NEW_KEY) made_.insert(made_.begin(), path);
        if (end == std::wstring::npos) break;
      }
    }
  }
  ~PresetKeys() {
    for (const std::wstring& key : made_) RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  }

 private:
  std::vector<std::wstring> made_;
};

class ExplorerVerbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Never take away a verb that a user of this machine added.
    if (ReadDefault(VerbKey(L".exe"))) GTEST_SKIP() << "the verb is registered already";
  }
};

TEST_F(ExplorerVerbTest, UnregisterLeavesTheRegistryAsRegisterFoundIt) {
  struct Case {
    const char* name;
    std::vector<std::wstring> keys;
  };
  const Case cases[] = {
      {"nothing of ours there", {}},
      {"an empty Classes key", {L"Software\\Classes"}},
      {"empty keys on the verb's way", {kAssociations + L".dll\\shell"}},
      {"another program's verb beside it", {kAssociations + L".exe\\shell\\OtherTool\\command"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PresetKeys preset(c.keys);
    const std::optional<std::string> before = ExportClasses();

    const vantric::ExplorerVerbOutcome added = vantric::RegisterExplorerVerb("C:\\Tools\\vantric.exe");
    EXPECT_TRUE(added.ok) << added.message;
    for (const std::wstring& extension : kExtensions) {
      EXPECT_EQ(ReadDefault(VerbKey(extension)), L"Analyse with Vantric");
      EXPECT_EQ(ReadDefault(VerbKey(extension) + L"\\command"), L"\"C:\\Tools\\vantric.exe\" \"%1\"");
    }
    const std::optional<std::string> registered = ExportClasses();
    const vantric::ExplorerVerbOutcome again = vantric::RegisterExplorerVerb("C:\\Tools\\vantric.exe");
    EXPECT_TRUE(again.ok);
    EXPECT_NE(again.message.find("nothing changed"), std::string::npos) << again.message;
    EXPECT_EQ(ExportClasses(), registered);

    // The program moved: registering again follows it.
    EXPECT_TRUE(vantric::RegisterExplorerVerb("D:\\Moved here\\vantric.exe").ok);
    EXPECT_EQ(ReadDefault(VerbKey(L".msi") + L"\\command"), L"\"D:\\Moved here\\vantric.exe\" \"%1\"");

    const vantric::ExplorerVerbOutcome removed = vantric::UnregisterExplorerVerb();
    EXPECT_TRUE(removed.ok) << removed.message;
    EXPECT_EQ(ExportClasses(), before);

    const vantric::ExplorerVerbOutcome none = vantric::UnregisterExplorerVerb();
    EXPECT_TRUE(none.ok);
    EXPECT_NE(none.message.find("nothing to remove"), std::string::npos) << none.message;
    EXPECT_EQ(ExportClasses(), before);
  }
}

TEST_F(ExplorerVerbTest, OnlyALoneOptionTouchesTheRegistry) {
  const std::optional<std::string> before = ExportClasses();
  const std::vector<std::vector<std::string>> ignored = {
      {},
      {"program.exe"},
      {"--register", "program.exe"},
      {"program.exe", "--unregister"},
      {"--unregister", "--register"},
      {"--Register"},
      {"/register"},
      {"--register=yes"},
  };
  for (const std::vector<std::string>& arguments : ignored) {
    EXPECT_EQ(vantric::RunExplorerVerbOption(arguments), std::nullopt) << ::testing::PrintToString(arguments);
  }
  EXPECT_EQ(ExportClasses(), before);
}

std::string ExePath() { return vantric::testing::WinePath(VANTRIC_EXE_PATH); }

struct CaptionSearch {
  DWORD processId;
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<CaptionSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  if (owner != search->processId || search->caption != text) return TRUE;
  search->found = window;
  return FALSE;
}

// The shell runs the verb as Explorer's menu does: the verb of the file
// type's key, "%1" made the file. The program's caption shows the file it
// was given.
TEST_F(ExplorerVerbTest, TheShellStartsTheProgramOnTheFile) {
  vantric::testing::TempDir dir;
  const std::wstring file = dir.path().wstring() + L"\\Analyse me \u00fc.dll";
  std::ofstream(dir.path() / L"Analyse me \u00fc.dll", std::ios::binary) << "MZ" << std::string(1022, '\0');
  ASSERT_TRUE(vantric::RegisterExplorerVerb(ExePath()).ok);

  HKEY fileType = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (kAssociations + L".dll").c_str(), 0, KEY_READ, &fileType),
            ERROR_SUCCESS);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_CLASSKEY | SEE_MASK_FLAG_NO_UI;
  info.hkeyClass = fileType;
  info.lpVerb = L"AnalyseWithVantric";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  const bool started = ShellExecuteExW(&info) && info.hProcess;
  RegCloseKey(fileType);
  EXPECT_TRUE(vantric::UnregisterExplorerVerb().ok);
  ASSERT_TRUE(started) << "ShellExecuteExW failed, error " << GetLastError();

  CaptionSearch search{GetProcessId(info.hProcess), file};
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!search.found && std::chrono::steady_clock::now() < deadline &&
         WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    std::this_thread::sleep_for(50ms);
  }
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(info.hProcess, &exitCode);
  EXPECT_NE(search.found, nullptr) << "no window of the program shows the file's path (exit code "
                                   << (exitCode == STILL_ACTIVE ? "none" : std::to_string(exitCode)) << ")";
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 15000);
  CloseHandle(info.hProcess);
}

}  // namespace
