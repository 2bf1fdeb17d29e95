// The main window created in the test's own process: real windows, real
// message boxes (caught by a hook), databases written to a temporary folder
// that is the current directory while the window loads them.

#include "app/main_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/database.h"
#include "tests/gui/browse_dialog_driver.h"
#include "tests/gui/message_box_catcher.h"
#include "tests/support/temp_dir.h"
#include "ui/application.h"
#include "ui/window.h"

namespace vantric {
namespace {

using testing::MessageBoxCatcher;
using testing::TempDir;

// Marks that the analysed files carry. The test program holds them as
// literals too, so it matches them when it analyses itself.
constexpr char kCompilerMark[] = "vantric-gui-test: compiler mark Q7";
constexpr char kPackerMark[] = "vantric-gui-test: packer mark Z3";
constexpr char kPlainCompilerMark[] = "vantric-gui-test: no url mark";

// One application object for the whole run, gone before the process ends.
std::unique_ptr<ui::Application> application;

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { application = std::make_unique<ui::Application>("Vantric"); }
  void TearDown() override { application.reset(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

ui::Application& App() { return *application; }

TLangDefinition Record(std::initializer_list<std::string_view> fields) {
  TLangDefinition record;
  std::size_t i = 0;
  for (std::string_view field : fields) record.fields[i++].assign(field);
  return record;
}

std::string ExePath() {
  char buffer[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return buffer;
}

std::string FieldText(const TMainForm& form, ResultField field) { return ui::WindowText(form.Field(field)); }

std::vector<std::string> AllFields(const TMainForm& form) {
  std::vector<std::string> texts;
  for (int i = 0; i < kResultFieldCount; ++i) texts.push_back(FieldText(form, static_cast<ResultField>(i)));
  return texts;
}

const std::vector<std::string> kEmptyFields(kResultFieldCount);

struct ShellCall {
  std::string target;
  std::string parameters;
  bool operator==(const ShellCall&) const = default;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    form_.reset();
    App().ProcessMessages();
    std::filesystem::current_path(previous_);
  }

  void WriteCompilerDb(const TLangDefinitionArray& records) {
    dir_.Write(kCompilerDatabaseName, SerializeDatabase(records));
  }
  void WriteCompressionDb(const TLangDefinitionArray& records) {
    dir_.Write(kCompressionDatabaseName, SerializeDatabase(records));
  }
  void WriteDatabases() {
    WriteCompilerDb({Record({"2.5", "2024-01-31"}),
                     Record({kCompilerMark, "Lang Q", "Compiler Q", "Maker Q", "http://q.example"}),
                     Record({kPlainCompilerMark, "Lang P", "Compiler P", "Maker P", "-"}),
                     Record({"never-present-pattern-1", "x", "x", "x", "x"})});
    WriteCompressionDb({Record({"7.1", "2025-02-03"}),
                        Record({kPackerMark, "", "Packer Z", "Packer Maker", "https://z.example"})});
  }

  TMainForm& Create(std::vector<std::string> arguments = {}) {
    form_ = std::make_unique<TMainForm>(
        App(), TMainForm::Options{
                   .arguments = std::move(arguments),
                   .shellExecute = [this](HWND, const std::string& target, const std::string& parameters) {
                     shellCalls_.push_back({target, parameters});
                   }});
    return *form_;
  }
  TMainForm& CreateAndShow(std::vector<std::string> arguments = {}) {
    Create(std::move(arguments));
    form_->Show();
    SetForegroundWindow(form_->handle());
    App().ProcessMessages();
    return *form_;
  }

  std::string Caption() const { return ui::WindowText(form_->handle()); }

  TempDir dir_;
  std::filesystem::path previous_;
  MessageBoxCatcher boxes_;
  std::vector<ShellCall> shellCalls_;
  std::unique_ptr<TMainForm> form_;
};

const std::string kVersionedCaption = "Vantric 2000 Beta - [v" VANTRIC_FILE_VERSION "]";

TEST_F(MainFormTest, StartsWithBothDatabases) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();

  EXPECT_TRUE(boxes_.boxes().empty());
  EXPECT_EQ(form.StatusBar().SimpleText(), "3 compiler and 1 compression pattern loaded");
  EXPECT_EQ(Caption(), kVersionedCaption);
  EXPECT_EQ(form.DatabaseLabel().Text(), "Database Version 7.1 - Last update on 2025-02-03");
  EXPECT_EQ(AllFields(form), kEmptyFields);
  EXPECT_EQ(form.CurrentFile(), "");
  EXPECT_FALSE(form.ProgressBar().Visible());
  EXPECT_FALSE(form.Button(kBiewButton).Visible());
  EXPECT_TRUE(form.Button(kRunButton).Visible());
  EXPECT_TRUE(IsWindowVisible(form.handle()));
  EXPECT_EQ(App().Cursor(crHand), LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR"));
  EXPECT_NE(App().Cursor(crHand), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  EXPECT_EQ(App().ProcessMessages(), std::nullopt) << "nothing asked the program to end";
}

// Positions in client pixels, as the window's layout table has them.
TEST_F(MainFormTest, LaysOutEveryControl) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const auto bounds = [&](HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&rect), 2);
    return std::vector<long>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  };
  RECT client{};
  GetClientRect(form.handle(), &client);
  EXPECT_EQ(client.right, 410);
  EXPECT_EQ(client.bottom, 452);

  const auto expected = [](const Bounds& at) {
    return std::vector<long>{at.left, at.top, at.width, at.height};
  };
  for (const ResultFieldInfo& info : kResultFields) {
    SCOPED_TRACE(info.label);
    const HWND field = form.Field(info.field);
    EXPECT_EQ(bounds(field), expected(FieldBounds(info.field)));
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(field, GWL_STYLE));
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_FALSE(style & WS_TABSTOP);
    EXPECT_FALSE(style & ES_MULTILINE);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(field, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Courier New");
  }
  for (int i = 0; i < kBarButtonCount; ++i) {
    EXPECT_EQ(bounds(form.Button(static_cast<BarButton>(i)).handle()),
              expected({kButtons[i].left, kButtonTop, kButtonWidth, kButtonHeight}));
  }
  EXPECT_EQ(bounds(form.ProgressBar().handle()), expected(kProgressBarBounds));
  EXPECT_EQ(bounds(form.DatabaseLabel().handle()), expected(kDatabaseLabelBounds));
  EXPECT_EQ(bounds(form.StatusBar().handle()), expected(kStatusBarBounds));
  EXPECT_EQ(bounds(form.HiddenKey()), expected(kHiddenKeyBounds));

  EXPECT_EQ(form.Hints().ToolText(form.handle(), form.Button(kRunButton).handle()), "Execute current file");
  EXPECT_EQ(form.Hints().ToolText(form.handle(), form.Button(kOnTopButton).handle()), "Always on top");
  EXPECT_EQ(form.Button(kOnTopButton).Caption(), "On&Top");
}

TEST_F(MainFormTest, MissingCompilerDatabaseEndsTheProgram) {
  WriteCompressionDb({Record({"7.1", "2025-02-03"})});
  TMainForm& form = CreateAndShow();

  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "File not found : vantric.vnt");
  EXPECT_EQ(boxes_.boxes()[0].caption, "Vantric");
  // The rest of creation is skipped, compression.vnt is never read, and the
  // window is still shown.
  EXPECT_EQ(form.Analysis().Facts(DatabaseKind::kCompression).count, 0);
  EXPECT_EQ(form.DatabaseLabel().Text(), "");
  EXPECT_EQ(form.StatusBar().SimpleText(), "");
  EXPECT_EQ(Caption(), "Vantric");
  EXPECT_TRUE(IsWindowVisible(form.handle()));
}

TEST_F(MainFormTest, MissingDatabasePostsQuitCode18) {
  WriteDatabases();
  std::filesystem::remove(dir_.File(kCompressionDatabaseName));
  Create({ExePath()});
  // The quit request waits in the queue, so the loop ends as soon as it runs.
  EXPECT_EQ(App().ProcessMessages(), std::optional<int>(kMissingDatabaseQuitCode));
  EXPECT_EQ(boxes_.texts(), std::vector<std::string>{"File not found : compression.vnt"});
  EXPECT_EQ(form_->Analysis().Facts(DatabaseKind::kCompiler).count, 4);
  EXPECT_EQ(AllFields(*form_), kEmptyFields) << "the command-line file is not analysed";
}

TEST_F(MainFormTest, UnreadableDatabaseGoesToTheErrorDisplay) {
  WriteDatabases();
  // Held open without sharing: opening it fails with a sharing violation.
  const HANDLE lock = CreateFileA(dir_.File(kCompilerDatabaseName).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  TMainForm& form = CreateAndShow();
  CloseHandle(lock);

  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "I/O error 32.");  // a file held open without sharing
  EXPECT_EQ(boxes_.boxes()[0].caption, "Vantric");
  EXPECT_TRUE(boxes_.boxes()[0].errorIcon);
  EXPECT_EQ(Caption(), "Vantric");
  EXPECT_EQ(form.StatusBar().SimpleText(), "");
  EXPECT_TRUE(IsWindowVisible(form.handle()));
  EXPECT_EQ(App().ProcessMessages(), std::nullopt) << "an I/O error does not end the program";
}

TEST_F(MainFormTest, ADatabaseThatIsAFolderGoesToTheErrorDisplay) {
  WriteDatabases();
  std::filesystem::remove(dir_.File(kCompressionDatabaseName));
  std::filesystem::create_directory(dir_.File(kCompressionDatabaseName));
  TMainForm& form = CreateAndShow();

  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "Is a folder, not a database file.");
  EXPECT_TRUE(boxes_.boxes()[0].errorIcon);
  EXPECT_EQ(form.StatusBar().SimpleText(), "");
  EXPECT_EQ(App().ProcessMessages(), std::nullopt) << "not the quit of a missing database";
}

TEST_F(MainFormTest, ReadOnlyDatabasesLoadAndAMissingHeaderLeavesTheLabelEmpty) {
  WriteCompilerDb({Record({"1", "d"}), Record({"abc", "L", "C", "M", "U"})});
  WriteCompressionDb({});
  ASSERT_TRUE(SetFileAttributesA(dir_.File(kCompilerDatabaseName).c_str(), FILE_ATTRIBUTE_READONLY));
  TMainForm& form = CreateAndShow();
  SetFileAttributesA(dir_.File(kCompilerDatabaseName).c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_TRUE(boxes_.boxes().empty());
  EXPECT_EQ(form.StatusBar().SimpleText(), "1 compiler and 0 compression pattern loaded");
  EXPECT_EQ(form.DatabaseLabel().Text(), "");
}

TEST_F(MainFormTest, CommandLineFileIsAnalysedBeforeTheWindowShows) {
  WriteDatabases();
  const std::string file = dir_.Write("packed.bin", std::string("0123456789 ") + kPackerMark + " tail");
  TMainForm& form = Create({file, dir_.Write("second.bin", std::string(kCompilerMark) + "----------")});

  EXPECT_FALSE(IsWindowVisible(form.handle()));
  EXPECT_EQ(Caption(), file);
  EXPECT_EQ(FieldText(form, ResultField::kFileName), "packed.bin");
  EXPECT_EQ(FieldText(form, ResultField::kProgram), "Packer Z");
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "-") << "the second argument is ignored";
  EXPECT_EQ(form.CurrentFile(), file);
  EXPECT_EQ(form.StatusBar().SimpleText(), "");

  form.Button(kRunButton).Click();
  EXPECT_EQ(shellCalls_, (std::vector<ShellCall>{{file, ""}})) << "Run acts on the file on screen";
}

TEST_F(MainFormTest, CommandLineNamingNoFileKeepsTheVersionedCaption) {
  WriteDatabases();
  TMainForm& form = Create({dir_.File("absent.exe")});
  EXPECT_EQ(Caption(), kVersionedCaption);
  EXPECT_EQ(AllFields(form), kEmptyFields);
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(MainFormTest, FillsTheFieldsInScreenOrderAndStylesLinks) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const std::string self = ExePath();
  form.AnalyzeFile(self);

  const std::string name = self.substr(self.find_last_of('\\') + 1);
  EXPECT_EQ(AllFields(form),
            (std::vector<std::string>{name, "Tells how a Windows program was built", VANTRIC_FILE_VERSION,
                                      "Vantric", "The Vantric developers", "Lang Q", "Compiler Q", "Maker Q",
                                      "http://q.example", "Packer Z", "Packer Maker", "https://z.example"}));
  EXPECT_EQ(Caption(), self);
  EXPECT_TRUE(boxes_.boxes().empty());

  for (ResultField url : {ResultField::kCompilerUrl, ResultField::kProgramUrl}) {
    EXPECT_EQ(form.FieldTextColour(url), 0xFF0000u);
    EXPECT_EQ(form.FieldCursor(url), crHand);
  }
  EXPECT_EQ(form.FieldTextColour(ResultField::kCompiler), 0u);

  // The compiler fields' hint lists what this MinGW-w64 program says of its
  // making; every field of the group shows the same.
  const std::string hint = form.Hints().ToolText(form.handle(), form.Field(ResultField::kCompiler));
  EXPECT_EQ(hint.rfind("Compiler: GCC (MinGW-w64) ", 0), 0u) << hint;
  EXPECT_NE(hint.find("\r\nLinker: GNU ld 2."), std::string::npos) << hint;
  EXPECT_EQ(form.Hints().ToolText(form.handle(), form.Field(ResultField::kLanguage)), hint);

  // What the window really draws with: the colours handed to the edit control
  // and the cursor it shows.
  const HWND url = form.Field(ResultField::kCompilerUrl);
  const ui::unique_hdc dc(CreateCompatibleDC(nullptr));
  SendMessageA(form.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
               reinterpret_cast<LPARAM>(url));
  EXPECT_EQ(GetTextColor(dc.get()), 0xFF0000u);
  EXPECT_EQ(GetBkColor(dc.get()), GetSysColor(COLOR_SCROLLBAR));
  SendMessageA(url, WM_SETCURSOR, reinterpret_cast<WPARAM>(url), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), App().Cursor(crHand));

  // A link opens on a click; a plain field does nothing.
  SendMessageA(url, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(url, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const HWND compiler = form.Field(ResultField::kCompiler);
  SendMessageA(compiler, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(compiler, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(shellCalls_, (std::vector<ShellCall>{{"http://q.example", ""}}));

  // An analysis that stops early empties the fields but keeps the styling,
  // and the empty link does nothing.
  form.AnalyzeFile(dir_.File("absent.exe"));
  EXPECT_EQ(AllFields(form), kEmptyFields);
  EXPECT_EQ(form.FieldTextColour(ResultField::kCompilerUrl), 0xFF0000u);
  SendMessageA(url, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(url, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(shellCalls_.size(), 1u);

  // A second analysis replaces every field and puts plain style back.
  const std::string plain = dir_.Write("plain.bin", std::string("..........") + kPlainCompilerMark);
  form.AnalyzeFile(plain);
  EXPECT_EQ(AllFields(form), (std::vector<std::string>{"plain.bin", "-", "-", "-", "-", "Lang P",
                                                       "Compiler P", "Maker P", "-", "-", "-", "-"}));
  for (ResultField field : {ResultField::kCompilerUrl, ResultField::kProgramUrl}) {
    EXPECT_EQ(form.FieldTextColour(field), 0u);
    EXPECT_EQ(form.FieldCursor(field), crDefault);
  }
  SendMessageA(form.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
               reinterpret_cast<LPARAM>(url));
  EXPECT_EQ(GetTextColor(dc.get()), 0u);
  SendMessageA(url, WM_SETCURSOR, reinterpret_cast<WPARAM>(url), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

TEST_F(MainFormTest, FilesThatStopTheAnalysisEarly) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  form.AnalyzeFile(ExePath());
  ASSERT_NE(AllFields(form), kEmptyFields);

  // Under 10 bytes: caption set, nothing shown, no message.
  const std::string nine = dir_.Write("nine.bin", "123456789");
  form.AnalyzeFile(nine);
  EXPECT_EQ(AllFields(form), kEmptyFields);
  EXPECT_EQ(form.Hints().ToolText(form.handle(), form.Field(ResultField::kCompiler)), "");
  EXPECT_EQ(Caption(), nine);
  EXPECT_TRUE(boxes_.boxes().empty());

  // 10 bytes are analysed.
  const std::string ten = dir_.Write("ten.bin", "0123456789");
  form.AnalyzeFile(ten);
  EXPECT_EQ(AllFields(form),
            (std::vector<std::string>{"ten.bin", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"}));

  // No such file, or a folder: fields emptied, caption untouched.
  form.AnalyzeFile(dir_.File("absent.bin"));
  EXPECT_EQ(AllFields(form), kEmptyFields);
  EXPECT_EQ(Caption(), ten);
  form.AnalyzeFile(dir_.path().string());
  EXPECT_EQ(Caption(), ten);
  EXPECT_TRUE(boxes_.boxes().empty());

  // A file that cannot be opened.
  const std::string locked = dir_.Write("locked.bin", "0123456789abcdef");
  const HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  form.AnalyzeFile(locked);
  CloseHandle(lock);
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "Could not open file");
  EXPECT_EQ(boxes_.boxes()[0].caption, "Vantric");
  EXPECT_FALSE(boxes_.boxes()[0].errorIcon);
  EXPECT_EQ(Caption(), locked);
  EXPECT_EQ(AllFields(form), kEmptyFields);
}

// Records what the progress bar is told, and whether it is on screen then.
struct BarRecord {
  std::vector<int> positions;
  std::vector<bool> visible;
};

TEST_F(MainFormTest, ProgressBarRunsOverTheCompilerPatterns) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  BarRecord record;
  ui::Subclass spy(form.ProgressBar().handle(), [&](HWND bar, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == PBM_SETPOS) {
      record.positions.push_back(static_cast<int>(wParam));
      record.visible.push_back(IsWindowVisible(bar) != FALSE);
    }
    return false;
  });
  form.AnalyzeFile(ExePath());

  ASSERT_FALSE(record.positions.empty());
  EXPECT_EQ(record.positions.front(), 1);
  EXPECT_EQ(record.positions.back(), 3);
  // Set to 1 just before it shows, then on screen up to the final position.
  EXPECT_EQ(std::vector<bool>(record.visible.begin() + 1, record.visible.end()),
            std::vector<bool>(record.visible.size() - 1, true));
  EXPECT_FALSE(form.ProgressBar().Visible());
  EXPECT_EQ(form.ProgressBar().Minimum(), 1);
  EXPECT_EQ(form.ProgressBar().Maximum(), 3);
  EXPECT_EQ(form.StatusBar().SimpleText(), "");
}

TEST_F(MainFormTest, CompilerDatabaseWithoutSignaturesShowsNoBar) {
  WriteCompilerDb({Record({"1", "d"})});
  WriteCompressionDb({Record({"7.1", "2025-02-03"}),
                      Record({kPackerMark, "", "Packer Z", "Packer Maker", "https://z.example"})});
  TMainForm& form = CreateAndShow();
  int setPositions = 0;
  ui::Subclass spy(form.ProgressBar().handle(), [&](HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == PBM_SETPOS || message == PBM_SETRANGE32) ++setPositions;
    return false;
  });
  form.AnalyzeFile(dir_.Write("packed.bin", std::string("0123456789 ") + kPackerMark));
  EXPECT_EQ(setPositions, 0);
  EXPECT_FALSE(form.ProgressBar().Visible());
  EXPECT_TRUE(boxes_.boxes().empty());
  EXPECT_EQ(FieldText(form, ResultField::kProgram), "Packer Z");
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "-");
}

// A drop as the shell hands it over: a DROPFILES block with the paths.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) list += path + '\0';
  list += '\0';
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(MainFormTest, DropAnalysesTheFirstFileOnly) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  EXPECT_TRUE(GetWindowLongPtrA(form.handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  const std::string first = dir_.Write("first.bin", std::string("0123456789") + kCompilerMark);
  const std::string second = dir_.Write("second.bin", std::string("0123456789") + kPackerMark);
  SendMessageA(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, second, ExePath()})),
               0);

  EXPECT_EQ(FieldText(form, ResultField::kFileName), "first.bin");
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q");
  EXPECT_EQ(FieldText(form, ResultField::kProgram), "-");
  EXPECT_EQ(form.CurrentFile(), first);
  EXPECT_EQ(Caption(), first);

  form.Button(kViewButton).Click();
  form.Button(kBiewButton).Click();
  EXPECT_EQ(shellCalls_, (std::vector<ShellCall>{{"notepad.exe", first},
                                                 {"D:\\PROGRAMS\\BIEW501\\BIEW.EXE", "\"" + first + "\""}}));
}

TEST_F(MainFormTest, LongDroppedPathIsTakenWhole) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  // Longer than 254 characters, still within what the file system allows.
  std::string folder = dir_.path().string();
  while (folder.size() < 200) folder += "\\folder-with-a-long-name";
  std::filesystem::create_directories(folder);
  std::string name = std::string(258 - folder.size() - 1 - 4, 'n') + ".bin";
  const std::string path = folder + "\\" + name;
  ASSERT_EQ(path.size(), 258u);
  {
    std::ofstream out(path, std::ios::binary);
    out << "0123456789" << kCompilerMark;
  }
  SendMessageA(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
  EXPECT_EQ(form.CurrentFile(), path);
  EXPECT_EQ(FieldText(form, ResultField::kFileName), name);
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q");
}

// Names no single code page holds reach the window whole, from the command
// line and from a drop as Explorer makes it (wide paths), and the caption and
// the file name field show them.
TEST_F(MainFormTest, NamesInAnyScriptAreAnalysedAndShown) {
  WriteDatabases();
  const std::string names[] = {
      "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.exe",                                    // Cyrillic
      "\xE6\xA0\xB7\xE6\x9C\xAC.exe",                                            // CJK
      "\xF0\x9F\x98\x80 sample.exe",                                             // outside the BMP
      "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82-\xE6\xA0\xB7\xE6\x9C\xAC caf\xC3\xA9.exe",  // a mix, a blank
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = dir_.path().string() + "\\" + name;
    {
      std::ofstream out(WidePath(path), std::ios::binary);
      out << "0123456789" << kCompilerMark;
    }
    {
      TMainForm& form = Create({path});
      EXPECT_EQ(Caption(), path);
      EXPECT_EQ(FieldText(form, ResultField::kFileName), name);
      EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q");
    }
    TMainForm& form = CreateAndShow();
    const std::wstring wide = WidePath(path).native() + L'\0' + L'\0';
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + wide.size() * 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), wide.data(), wide.size() * 2);
    GlobalUnlock(memory);
    SendMessageW(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(form.CurrentFile(), path);
    EXPECT_EQ(Caption(), path);
    EXPECT_EQ(FieldText(form, ResultField::kFileName), name);
  }
}

// Keys as the thread sees them: modifier state set, the key posted to the
// focused control and pumped through the application's loop.
class KeyTest : public MainFormTest {
 protected:
  void Press(std::initializer_list<int> modifiers, int key) {
    BYTE state[256] = {};
    for (int modifier : modifiers) state[modifier] = 0x80;
    SetKeyboardState(state);
    const HWND focus = GetFocus();
    PostMessageA(focus ? focus : form_->handle(), WM_KEYDOWN, key, 1);
    App().ProcessMessages();
    BYTE none[256] = {};
    SetKeyboardState(none);
  }
};

TEST_F(KeyTest, CtrlShiftEnterTogglesBiewAndStillReachesTheFocus) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  ASSERT_EQ(GetFocus(), form.HiddenKey());
  int returnsSeen = 0;
  ui::Subclass spy(form.HiddenKey(), [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_KEYDOWN && wParam == VK_RETURN) ++returnsSeen;
    return false;
  });
  ui::SpeedButton& biew = form.Button(kBiewButton);

  Press({VK_CONTROL, VK_SHIFT}, VK_RETURN);
  EXPECT_TRUE(biew.Visible());
  Press({VK_CONTROL, VK_SHIFT}, VK_RETURN);
  EXPECT_FALSE(biew.Visible());
  Press({VK_CONTROL, VK_MENU, VK_SHIFT}, VK_RETURN);
  EXPECT_TRUE(biew.Visible());
  Press({}, VK_RETURN);
  Press({VK_CONTROL}, VK_RETURN);
  Press({VK_SHIFT}, VK_RETURN);
  EXPECT_TRUE(biew.Visible());
  EXPECT_EQ(returnsSeen, 6);
}

TEST_F(MainFormTest, ResultFieldsNeverKeepTheFocus) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  form.AnalyzeFile(ExePath());
  const HWND field = form.Field(ResultField::kComments);
  SetFocus(field);
  EXPECT_EQ(GetFocus(), form.HiddenKey());

  // A real click, through the input queue.
  RECT rect{};
  GetWindowRect(field, &rect);
  SetCursorPos(rect.left + 10, rect.top + 8);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, clicks, sizeof(INPUT));
  for (int i = 0; i < 20; ++i) {
    App().ProcessMessages();
    Sleep(10);
  }
  EXPECT_EQ(GetFocus(), form.HiddenKey());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MainFormTest, OnTopIsAToggle) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const auto topmost = [](HWND window) {
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  };
  form.Button(kOnTopButton).Click();
  EXPECT_TRUE(form.Button(kOnTopButton).Down());
  const bool wasTopmost = topmost(form.handle());
  form.Button(kOnTopButton).Click();
  EXPECT_FALSE(form.Button(kOnTopButton).Down());
  EXPECT_FALSE(topmost(form.handle()));
  EXPECT_TRUE(GetWindowLongPtrA(form.handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  form.Button(kRunButton).Click();  // no current file yet
  EXPECT_TRUE(shellCalls_.empty());
  const std::string dropped = dir_.Write("dropped.bin", std::string("0123456789") + kCompilerMark);
  SendMessageA(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped})), 0);
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q") << "drops still work";

  // Some window systems (Wine without a window manager among them) keep no
  // stay-on-top order at all; there the pressed state is all there is to see.
  const ui::unique_hwnd probe(CreateWindowExA(0, "STATIC", "probe", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20,
                                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  SetWindowPos(probe.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!topmost(probe.get())) GTEST_SKIP() << "this display has no stay-on-top windows";
  EXPECT_TRUE(wasTopmost);
}

TEST_F(MainFormTest, OpenPicksAnalysesAndRemembersTheFolder) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const std::string dropped = dir_.Write("dropped.bin", std::string("0123456789") + kPackerMark);
  SendMessageA(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped})), 0);
  std::filesystem::create_directory(dir_.path() / "picked");
  const std::string picked = dir_.Write("picked\\picked.bin", std::string("0123456789") + kCompilerMark);
  using testing::Press;
  using testing::Select;
  using testing::SelectSpecialFolder;

  // Cancel changes nothing: the dropped file stays the one Run acts on.
  {
    testing::BrowseDialogDriver driver({Press(IDCANCEL)});
    form.Button(kOpenButton).Click();
    EXPECT_TRUE(driver.finished());
  }
  EXPECT_EQ(form.CurrentFile(), dropped);
  EXPECT_EQ(form.LastFolder(), "");
  EXPECT_EQ(FieldText(form, ResultField::kProgram), "Packer Z");

  // A pick is analysed and becomes the current file.
  std::string title;
  {
    testing::BrowseDialogDriver driver({testing::Check([&](HWND dialog) {
                                          title = ui::WindowText(GetDlgItem(dialog, 0x3742));
                                          EXPECT_EQ(GetDlgItem(dialog, 0xFFFF), nullptr) << "no Help button";
                                        }),
                                        Select(picked), Press(IDOK)});
    form.Button(kOpenButton).Click();
  }
  EXPECT_EQ(form.CurrentFile(), picked);
  EXPECT_EQ(form.LastFolder(), picked);
  EXPECT_EQ(Caption(), picked);
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q");
  EXPECT_EQ(title, "Select an executable file...");

  // The next Open starts in that file's folder; a picker error goes to the
  // error display and leaves everything as it was.
  std::vector<std::string> preselected;
  {
    // OK forced on an item that has no path: the picker raises. Clicked as
    // a user does, so the error takes the window's own way to the display.
    testing::BrowseDialogDriver driver({SelectSpecialFolder(CSIDL_DRIVES), Press(IDOK)});
    testing::SetSelectionSpy spy;
    SendMessageA(form.Button(kOpenButton).handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(form.Button(kOpenButton).handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    preselected = spy.paths;
  }
  ASSERT_FALSE(preselected.empty());
  EXPECT_EQ(preselected.front(), (dir_.path() / "picked").string() + "\\");
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_TRUE(boxes_.boxes()[0].errorIcon);
  EXPECT_EQ(form.CurrentFile(), picked);
  EXPECT_EQ(FieldText(form, ResultField::kCompiler), "Compiler Q");

  form.Button(kRunButton).Click();
  EXPECT_EQ(shellCalls_, (std::vector<ShellCall>{{picked, ""}}));
}

// A click on a URL field: a press and a release on it.
void ClickField(HWND field) {
  SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST_F(MainFormTest, LinksOpenOnlyWebAndMailAddressesOncePerClick) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const struct {
    const char* text;
    const char* opened;  // null: nothing
  } cases[] = {
      {"-", nullptr},
      {"", nullptr},
      {"http://x", "http://x"},
      {"HTTPS://x", "HTTPS://x"},
      {"ftp://files.example", "ftp://files.example"},
      {"MailTo:someone@example.org", "MailTo:someone@example.org"},
      {"www.x.org", "http://www.x.org"},
      {"C:\\Windows\\notepad.exe", nullptr},
      {"notepad.exe", nullptr},
      {"file:///c:/x", nullptr},
      {"javascript:x", nullptr},
      {"http://", nullptr},
      {"http://x\" --flag", nullptr},  // would end the browser's argument
      {"http://x\tcalc", nullptr},
  };
  for (const ResultField url : {ResultField::kCompilerUrl, ResultField::kProgramUrl}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      shellCalls_.clear();
      SetWindowTextA(form.Field(url), c.text);
      ClickField(form.Field(url));
      EXPECT_EQ(shellCalls_, (c.opened ? std::vector<ShellCall>{{c.opened, ""}} : std::vector<ShellCall>{}));
    }
  }
  // A double-click is one click and a second press: the link opens once.
  shellCalls_.clear();
  const HWND url = form.Field(ResultField::kCompilerUrl);
  SetWindowTextA(url, "http://x");
  ClickField(url);
  SendMessageA(url, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(url, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(shellCalls_.size(), 1u);
}

TEST_F(KeyTest, OnlyAltWithALetterPressesAButton) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  const std::string sample = dir_.Write("sample.bin", "0123456789");
  SendMessageA(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({sample})), 0);
  form.Button(kBiewButton).Show(true);

  for (const char letter : {'r', 'R', 'v', 'b', 'o', 't', 'a'}) {
    PostMessageA(GetFocus(), WM_CHAR, letter, 1);
    App().ProcessMessages();
  }
  EXPECT_TRUE(shellCalls_.empty()) << "a stray key starts nothing";
  EXPECT_FALSE(form.Button(kOnTopButton).Down());

  PostMessageA(GetFocus(), WM_SYSCHAR, 'r', 1 << 29);
  PostMessageA(GetFocus(), WM_SYSCHAR, 'V', 1 << 29);
  PostMessageA(GetFocus(), WM_SYSCHAR, 't', 1 << 29);
  App().ProcessMessages();
  EXPECT_EQ(shellCalls_, (std::vector<ShellCall>{{sample, ""}, {"notepad.exe", sample}}));
  EXPECT_TRUE(form.Button(kOnTopButton).Down());
}

TEST_F(MainFormTest, LabelsFitTheirTextAndButtonsTellTheirFont) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  int labels = 0;
  for (HWND child = GetWindow(form.handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    const std::string text = ui::WindowText(child);
    if (lstrcmpiA(className, "Static") != 0 || text.empty() || text.back() != ':') continue;
    SCOPED_TRACE(text);
    ++labels;
    const ui::unique_hdc_window dc(child);
    const ui::SelectObjectScope font(dc.get(),
                                     reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_GE(rect.right - rect.left, extent.cx);
    EXPECT_GE(rect.bottom - rect.top, extent.cy);
    EXPECT_EQ(rect.left, 20);
    EXPECT_LT(rect.right, 77) << "clear of the fields";
  }
  EXPECT_EQ(labels, 12);

  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.Button(kRunButton).handle(), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_EQ(font.lfWeight, FW_BOLD);
}

TEST_F(MainFormTest, HoverEdgeGoesWhenThePointerLeaves) {
  WriteDatabases();
  TMainForm& form = CreateAndShow();
  ui::SpeedButton& onTop = form.Button(kOnTopButton);
  RECT rect{};
  GetWindowRect(onTop.handle(), &rect);
  const auto settle = [] {
    for (int i = 0; i < 20; ++i) {
      App().ProcessMessages();
      Sleep(10);
    }
  };
  const auto moveTo = [&](int x, int y) {
    SetCursorPos(x, y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof move);
    settle();
  };
  moveTo(rect.left + 10, rect.top + 10);
  EXPECT_TRUE(onTop.Hot());
  for (int i = 0; i < 2; ++i) {
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    settle();
  }
  EXPECT_FALSE(onTop.Down());
  // Straight off the window.
  RECT window{};
  GetWindowRect(form.handle(), &window);
  moveTo(window.right + 20, window.bottom + 20);
  EXPECT_FALSE(onTop.Hot());
}

TEST_F(MainFormTest, DatabaseReadBrokenOffMidwayKeepsWhatWasRead) {
  // 600 records: the loader reads 256 at a time, so a lock on the last ones
  // breaks the read off after the first chunks.
  TLangDefinitionArray records = {Record({"1", "d"})};
  for (int i = 1; i < 600; ++i)
    records.push_back(Record({"pattern-" + std::to_string(i), "L", "C", "M", "U"}));
  WriteCompilerDb(records);
  WriteCompressionDb({Record({"7.1", "2025-02-03"})});
  const HANDLE file = CreateFileA(dir_.File(kCompilerDatabaseName).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(file, 550 * kRecordSize, 0, kRecordSize, 0));
  {
    // Some systems (Wine) keep byte-range locks without enforcing them on reads.
    const HANDLE reader = CreateFileA(dir_.File(kCompilerDatabaseName).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(reader, 550 * kRecordSize, nullptr, FILE_BEGIN);
    char byte = 0;
    DWORD got = 0;
    const bool enforced = !ReadFile(reader, &byte, 1, &got, nullptr);
    CloseHandle(reader);
    if (!enforced) {
      CloseHandle(file);
      GTEST_SKIP() << "byte-range locks are not enforced here";
    }
  }
  TMainForm& form = CreateAndShow();
  CloseHandle(file);

  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "I/O error 33.");  // a locked region
  EXPECT_EQ(form.Analysis().Facts(DatabaseKind::kCompiler).count, 600);
  EXPECT_EQ(form.StatusBar().SimpleText(), "") << "the rest of start-up is skipped";
  // The records read before the break still match; those after it are empty.
  const AnalysisResult read = form.Analysis().AnalyzeFile(dir_.Write("255.bin", "..pattern-255.."));
  EXPECT_EQ(read.info.language, "L");
  const AnalysisResult unread = form.Analysis().AnalyzeFile(dir_.Write("599.bin", "..pattern-599.."));
  EXPECT_EQ(unread.info.language, "-");
}

TEST(ExceptionDisplay, AddsAFinalPeriodAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ui::WithFinalPeriod("Access denied"), "Access denied.");
  EXPECT_EQ(ui::WithFinalPeriod("Error 5"), "Error 5.");
  EXPECT_EQ(ui::WithFinalPeriod("Done."), "Done.");
  EXPECT_EQ(ui::WithFinalPeriod("Why?"), "Why?.");  // '?' sorts after '.'
  EXPECT_EQ(ui::WithFinalPeriod("Stop!"), "Stop!");
  EXPECT_EQ(ui::WithFinalPeriod("(a, b)"), "(a, b)");
  EXPECT_EQ(ui::WithFinalPeriod("Fehler \xE4"), "Fehler \xE4.");
  EXPECT_EQ(ui::WithFinalPeriod(""), "");
}

}  // namespace
}  // namespace vantric
