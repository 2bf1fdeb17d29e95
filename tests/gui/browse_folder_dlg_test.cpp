// The file picker against the shell's real browse dialog (Wine's under
// Linux), driven from inside its modal loop.

#include "shellstuff/browse_folder_dlg.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "shellstuff/browse_for_file.h"
#include "shellstuff/path_functions.h"
#include "shellstuff/shell_errors.h"
#include "tests/gui/browse_dialog_driver.h"
#include "tests/support/temp_dir.h"
#include "ui/application.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace vantric {
namespace {

using testing::BrowseDialogDriver;
using testing::Check;
using testing::OkEnabled;
using testing::Press;
using testing::Select;
using testing::SelectSpecialFolder;
using testing::SetSelectionSpy;
using testing::TempDir;

class BrowseFolderDlgTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string folder_ = dir_.path().string();
  std::string file_ = dir_.Write("app.exe", "0123456789");
  std::string unicodeSub_ = [this] {
    const std::string path = folder_ + "\\\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0 \xE6\xA0\xB7\xE6\x9C\xAC";
    std::filesystem::create_directory(WidePath(path));
    return path;
  }();
  std::string sub_ = [this] {
    std::filesystem::create_directory(dir_.path() / "sub");
    return (dir_.path() / "sub").string();
  }();
};

TEST_F(BrowseFolderDlgTest, FilesModeEnablesOkOnlyForFilesAndReturnsThePath) {
  TBrowseFolderDlg dialog;
  dialog.BrowseKind = TBrowseKind::bfFiles;
  dialog.DialogText = "Pick one";
  int initialized = 0;
  std::vector<std::string> selections;
  dialog.OnInitialized = [&](TBrowseFolderDlg& sender) {
    ++initialized;
    EXPECT_EQ(&sender, &dialog);
    EXPECT_NE(sender.Handle(), nullptr);
  };
  dialog.OnSelChanged = [&](TBrowseFolderDlg& sender) { selections.push_back(sender.SelectedName()); };
  RECT placed{};
  bool titleShown = false;
  std::vector<bool> okStates;
  const auto okState = Check([&](HWND window) { okStates.push_back(OkEnabled(window)); });

  BrowseDialogDriver driver({
      Check([&](HWND window) {
        GetWindowRect(window, &placed);
        titleShown = FindWindowExA(window, nullptr, "Static", "Pick one") != nullptr;
      }),
      okState,  // nothing selected yet, or the desktop: a folder
      Select(sub_),
      okState,
      Select(file_),
      okState,
      SelectSpecialFolder(CSIDL_DRIVES),
      okState,  // no file-system path
      Check([&](HWND) { EXPECT_EQ(dialog.SelectedName(), ""); }),
      Select(file_),
      okState,
      Press(IDOK),
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(driver.finished());

  EXPECT_EQ(okStates, (std::vector<bool>{false, false, true, false, true}));
  EXPECT_EQ(dialog.FolderName, file_);
  EXPECT_EQ(dialog.SelectedName(), file_);
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_EQ(initialized, 1);
  EXPECT_NE(std::find(selections.begin(), selections.end(), sub_), selections.end());
  EXPECT_TRUE(titleShown);
  const RECT centred = CentredOnScreen(placed, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(placed.left, centred.left);
  EXPECT_EQ(placed.top, centred.top);

  // Again on the same component: it starts from the previous choice, and
  // Cancel changes nothing.
  SetSelectionSpy spy;
  BrowseDialogDriver cancel({Select(sub_), Press(IDCANCEL)});
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FolderName, file_);
  EXPECT_EQ(dialog.SelectedName(), file_);
  ASSERT_FALSE(spy.paths.empty());
  EXPECT_EQ(spy.paths.front(), sub_) << "a file is never preselected";
}

TEST_F(BrowseFolderDlgTest, PreselectsOnlyAnExistingFolder) {
  const struct {
    std::string folderName;
    bool preselected;
  } cases[] = {
      {folder_ + "\\", true},  // the trailing backslash stays as given
      {sub_, true},           {file_, false}, {"", false}, {folder_ + "\\absent", false},
      {unicodeSub_, true},  // outside any one code page
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folderName);
    TBrowseFolderDlg dialog;
    dialog.BrowseKind = TBrowseKind::bfFiles;
    dialog.FolderName = c.folderName;
    SetSelectionSpy spy;
    std::vector<std::string> sentBeforeTheUser;
    dialog.OnInitialized = [&](TBrowseFolderDlg&) { sentBeforeTheUser = spy.paths; };
    BrowseDialogDriver driver({Press(IDCANCEL)});
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(sentBeforeTheUser,
              c.preselected ? std::vector<std::string>{c.folderName} : std::vector<std::string>{});
    EXPECT_EQ(dialog.FolderName, c.folderName);
  }
}

TEST_F(BrowseFolderDlgTest, FoldersModeReturnsFoldersWithoutTheirBackslash) {
  TBrowseFolderDlg dialog;
  BrowseDialogDriver driver(
      {Select(sub_ + "\\"), Check([](HWND window) { EXPECT_TRUE(OkEnabled(window)); }), Press(IDOK)});
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FolderName, sub_);

  BrowseDialogDriver root({Select("C:\\"), Press(IDOK)});
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FolderName, "C:\\");
}

TEST_F(BrowseFolderDlgTest, HelpButtonOnlyWithAHelpContext) {
  std::vector<int> helpCalls;
  ui::Application::Current()->SetHelpHandler([&](int context) { helpCalls.push_back(context); });
  const auto noHelpHandler = ui::scope_exit([] { ui::Application::Current()->SetHelpHandler(nullptr); });

  for (const int context : {0, 42}) {
    SCOPED_TRACE(context);
    TBrowseFolderDlg dialog;
    dialog.BrowseKind = TBrowseKind::bfFiles;
    dialog.HelpContext = context;
    HWND help = nullptr;
    RECT model{}, placed{};
    BrowseDialogDriver driver({
        Check([&](HWND window) {
          help = GetDlgItem(window, 0xFFFF);
          // The button the Help button copies: the dialog's first one.
          const HWND first = FindWindowExA(window, nullptr, "BUTTON", nullptr);
          GetWindowRect(first, &model);
          MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&model), 2);
          if (help) {
            GetWindowRect(help, &placed);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_EQ(ui::WindowText(help), "&Help");
            EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(help, GWL_STYLE)) & ~WS_DISABLED,
                      static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP));
            EXPECT_EQ(SendMessageA(help, WM_GETFONT, 0, 0), SendMessageA(window, WM_GETFONT, 0, 0));
          }
          SendMessageA(window, WM_COMMAND, 0xFFFF, reinterpret_cast<LPARAM>(help));
        }),
        Press(IDCANCEL),
    });
    EXPECT_FALSE(dialog.Execute());
    if (context == 0) {
      EXPECT_EQ(help, nullptr);
      continue;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(placed.left, 12);
    EXPECT_EQ(placed.top, model.top);
    EXPECT_EQ(placed.right - placed.left, model.right - model.left);
    EXPECT_EQ(placed.bottom - placed.top, model.bottom - model.top);
  }
  EXPECT_EQ(helpCalls, std::vector<int>{42});
}

// The root special folder comes through a seam here, so that its failure
// can be had on any system.
class RootSpy : public TBrowseFolderDlg {
 public:
  explicit RootSpy(HRESULT answer) : answer_(answer) {}
  std::vector<int> asked;

 protected:
  HRESULT SpecialFolderLocation(int folder, LPITEMIDLIST* item) const override {
    const_cast<RootSpy*>(this)->asked.push_back(folder);
    *item = nullptr;
    return answer_;
  }

 private:
  HRESULT answer_;
};

TEST_F(BrowseFolderDlgTest, RootFolderByModeAndItsFailureBeforeAnyDialog) {
  const struct {
    TBrowseKind kind;
    bool desktopRoot;
    std::vector<int> asked;
  } cases[] = {
      {TBrowseKind::bfFolders, false, {CSIDL_DRIVES}},
      {TBrowseKind::bfFiles, false, {CSIDL_DRIVES}},
      {TBrowseKind::bfComputers, true, {CSIDL_NETWORK}},
      {TBrowseKind::bfComputers, false, {CSIDL_NETWORK}},
  };
  for (const auto& c : cases) {
    RootSpy dialog(static_cast<HRESULT>(0x8FFF1234));
    dialog.BrowseKind = c.kind;
    dialog.DesktopRoot = c.desktopRoot;
    dialog.FolderName = "kept";
    BrowseDialogDriver driver({Press(IDCANCEL)});
    try {
      dialog.Execute();
      ADD_FAILURE() << "no error";
    } catch (const OleError& error) {
      EXPECT_STREQ(error.what(), "OLE error 8fff1234");
    }
    EXPECT_EQ(dialog.asked, c.asked);
    EXPECT_FALSE(driver.sawDialog());
    EXPECT_EQ(dialog.FolderName, "kept");
  }
  EXPECT_EQ(OleError(E_OUTOFMEMORY).what(), SystemErrorText(static_cast<DWORD>(E_OUTOFMEMORY)));
  EXPECT_STREQ(Win32Error(0).what(), "A Win32 API function failed");
  EXPECT_EQ(std::string(Win32Error(5).what()), "Win32 Error.  Code: 5.\n" + SystemErrorText(5));
}

BOOL CALLBACK CountThreadWindows(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(BrowseFolderDlgTest, WindowsComeBackAndAnItemWithoutPathRaisesAfterOk) {
  const auto topLevel = [](const char* caption, DWORD style) {
    return ui::unique_hwnd(CreateWindowExA(0, "STATIC", caption, WS_POPUP | style, 0, 0, 50, 50, nullptr,
                                           nullptr, GetModuleHandleA(nullptr), nullptr));
  };
  const ui::unique_hwnd enabled = topLevel("enabled", WS_VISIBLE);
  const ui::unique_hwnd disabled = topLevel("disabled", WS_VISIBLE | WS_DISABLED);
  const ui::unique_hwnd hidden = topLevel("hidden", 0);
  ui::unique_hwnd doomed = topLevel("destroyed meanwhile", WS_VISIBLE);
  SetActiveWindow(enabled.get());

  struct Run {
    const char* what;
    std::function<void(TBrowseFolderDlg&)> arrange;
    std::vector<BrowseDialogDriver::Step> steps;
    std::string error;
  };
  const Run runs[] = {
      {"a handler throws",
       [this](TBrowseFolderDlg& dialog) {
         dialog.OnSelChanged = [this](TBrowseFolderDlg& sender) {
           if (sender.SelectedName() == sub_) throw std::runtime_error("handler failed");
         };
       },
       {Select(sub_)},
       "handler failed"},
      {"OK forced on an item without a path",
       [](TBrowseFolderDlg&) {},
       {SelectSpecialFolder(CSIDL_DRIVES), Press(IDOK)},
       "Win32 Error"},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(run.what);
    TBrowseFolderDlg dialog;
    dialog.BrowseKind = TBrowseKind::bfFiles;
    dialog.FolderName = "kept";
    run.arrange(dialog);
    std::vector<BrowseDialogDriver::Step> steps = {Check([&](HWND) {
      EXPECT_FALSE(IsWindowEnabled(enabled.get()));
      EXPECT_TRUE(IsWindowEnabled(hidden.get())) << "only visible windows are disabled";
      doomed.reset();
    })};
    steps.insert(steps.end(), run.steps.begin(), run.steps.end());
    BrowseDialogDriver driver(std::move(steps));
    try {
      dialog.Execute();
      ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with(run.error) ||
                  std::string(error.what()) == "A Win32 API function failed")
          << error.what();
    }
    EXPECT_TRUE(IsWindowEnabled(enabled.get()));
    EXPECT_FALSE(IsWindowEnabled(disabled.get())) << "a window disabled before stays so";
    EXPECT_EQ(GetActiveWindow(), enabled.get());
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(dialog.FolderName, "kept");
    EXPECT_EQ(testing::FindBrowseDialog(), nullptr);
  }
  int windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountThreadWindows, reinterpret_cast<LPARAM>(&windows));
  EXPECT_LE(windows, 8) << "the dialogs are gone";
}

TEST_F(BrowseFolderDlgTest, BrowseForFileAndTheOldSystemBranch) {
  std::string path = folder_ + "\\";
  {
    BrowseDialogDriver driver({Select(file_), Press(IDOK)});
    EXPECT_TRUE(BrowseForFile(path, "Select an executable file...", 0));
    EXPECT_EQ(path, file_);
  }
  {
    BrowseDialogDriver driver({Press(IDCANCEL)});
    EXPECT_FALSE(BrowseForFile(path, "Select an executable file...", 0));
    EXPECT_EQ(path, file_);
  }
  // Without new-style controls: folders only, and no title above the tree.
  path = folder_;
  bool titleShown = true;
  BrowseDialogDriver driver(
      {Check([&](HWND window) { titleShown = FindWindowExA(window, nullptr, "Static", "Title") != nullptr; }),
       Select(sub_), Press(IDOK)});
  EXPECT_TRUE(BrowseForFile(path, "Title", 0, false));
  EXPECT_EQ(path, sub_);
  EXPECT_FALSE(titleShown);
}

TEST(PathFunctions, RemoveTrailingBackslash) {
  const struct {
    const char* in;
    const char* out;
    UINT codePage;
  } cases[] = {
      {"C:\\Tools\\", "C:\\Tools", 1252},
      {"C:\\", "C:\\", 1252},
      {"c:\\", "c:\\", 1252},
      {"z:\\", "z:\\", 1252},
      {"1:\\", "1:", 1252},  // no drive letter: not a root
      {"\\", "\\", 1252},
      {"", "", 1252},
      {"\\\\server\\share\\", "\\\\server\\share", 1252},
      {"C:\\Tools\\\\", "C:\\Tools\\", 1252},
      {"C:\\Tools", "C:\\Tools", 1252},
      // Shift-JIS 0x95 0x5C is one character whose second byte is "\".
      {"C:\\\x95\x5C", "C:\\\x95\x5C", 932},
      {"C:\\\x95\x5C\\", "C:\\\x95\x5C", 932},
      {"C:\\\x95\x5C", "C:\\\x95", 1252},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoveTrailingBackslash(c.in, c.codePage), c.out) << c.in << " in code page " << c.codePage;
  }
}

TEST(PathFunctions, FolderExists) {
  TempDir dir;
  const std::string folder = dir.path().string();
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(FolderExists(folder + "\\"));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_FALSE(FolderExists(dir.Write("file.txt", "x")));
  EXPECT_FALSE(FolderExists(folder + "\\absent"));
}

TEST(PathFunctions, CentredOnScreenStaysOnTheScreen) {
  const struct {
    RECT window;
    RECT placed;
  } cases[] = {
      {{100, 100, 500, 400}, {440, 362, 840, 662}},  // 400 x 300 on 1280 x 1024
      {{0, 0, 401, 301}, {439, 361, 840, 662}},      // odd sizes truncate toward zero
      {{50, 50, 1450, 350}, {0, 362, 1400, 662}},    // wider than the screen
      {{50, 50, 450, 1150}, {440, 0, 840, 1100}},    // taller than the screen
      {{-900, -900, 500, 300}, {0, 0, 1400, 1200}},  // both
  };
  for (const auto& c : cases) {
    const RECT placed = CentredOnScreen(c.window, 1280, 1024);
    EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right, placed.bottom}),
              (std::vector<LONG>{c.placed.left, c.placed.top, c.placed.right, c.placed.bottom}));
  }
}

}  // namespace
}  // namespace vantric
