#include "app/main_form.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "analysis/analyze_file.h"
#include "platform/file_system.h"
#include "shellstuff/browse_for_file.h"
#include "sigdb/database.h"
#include "sigdb/matcher.h"
#include "ui/font.h"
#include "verinfo/version_info.h"

namespace vantric {
namespace {

constexpr char kClassName[] = "VantricMainForm";
constexpr int kClientWidth = 410;
constexpr int kClientHeight = 452;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

constexpr int kStatusBarHeight = 19;
constexpr int kLabelLeft = 13;
constexpr int kLabelWidth = 56;
constexpr int kLabelHeight = 13;
constexpr int kFieldLeft = 70;
constexpr int kFieldHeight = 20;
constexpr int kRowPitch = 22;
constexpr int kFirstLabelTop = 22;
constexpr int kFirstFieldTop = 19;

constexpr int kButtonTop = 379;
constexpr int kButtonWidth = 62;
constexpr int kButtonHeight = 21;

constexpr char kBiewProgram[] = "D:\\PROGRAMS\\BIEW501\\BIEW.EXE";

struct ButtonLayout {
  const char* caption;
  const char* hint;
  const char* glyph;
  int left;
  bool toggle;
};
constexpr ButtonLayout kButtons[kBarButtonCount] = {
    {"&Run", "Execute current file", "GLYPH_RUN", 8, false},
    {"&Open", "Browse for a new file", "GLYPH_OPEN", 74, false},
    {"&View", "View current file in notepad", "GLYPH_VIEW", 141, false},
    {"&Biew", "View current file in Biew", "GLYPH_BIEW", 207, false},
    {"On&Top", "Always on top", "GLYPH_ONTOP", 274, true},
    {"&About", "About this program", "GLYPH_ABOUT", 340, false},
};

// Outer rectangle for the wanted client area, centred in the work area.
RECT CentredWindowRect() {
  RECT rect{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;
  return {left, top, left + width, top + height};
}

bool KeyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

MessageBoxFunction SystemMessageBox() {
  return [](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
  };
}

TMainForm::TMainForm(ui::Application& application, Options options)
    : messageBox(std::move(options.messageBox)),
      shellExecute(std::move(options.shellExecute)),
      application_(application),
      arguments_(std::move(options.arguments)) {
  HINSTANCE instance = application_.Instance();
  const RECT bounds = CentredWindowRect();
  Create({.name = kClassName,
          .icon = LoadIconA(instance, "MAINICON"),
          .background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))},
         kExStyle, application_.Title(), kStyle, bounds, nullptr);
  CreateControls();
  application_.SetKeyPreview(handle(), [this](const MSG& message) { return FormKeyPreview(message); });

  // As a form does: an exception in the creation handler is shown, and the
  // window is created all the same.
  try {
    FormCreate();
  } catch (...) {
    application_.HandleException();
  }
}

TMainForm::~TMainForm() {
  application_.RemoveKeyPreview(handle());
  DestroyHandle();
}

void TMainForm::CreateGroup(const char* caption, int top, int height,
                            std::initializer_list<const char*> labels, ResultField firstField,
                            int fieldWidth) {
  constexpr int groupLeft = 7;
  ui::Control& group = groups_.emplace_back();
  group.Create("BUTTON", caption, WS_VISIBLE | BS_GROUPBOX | WS_CLIPSIBLINGS, 0, handle(), groupLeft, top,
               396, height);
  group.SetFont(formFont_.get());

  int row = 0;
  for (const char* text : labels) {
    ui::Control& label = labels_.emplace_back();
    label.Create("STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, handle(), groupLeft + kLabelLeft,
                 top + kFirstLabelTop + row * kRowPitch, kLabelWidth, kLabelHeight);
    label.SetFont(formFont_.get());

    const auto field = static_cast<ResultField>(static_cast<int>(firstField) + row);
    ResultFieldControl& result = fields_[static_cast<int>(field)];
    result.control.Create("EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE,
                          handle(), groupLeft + kFieldLeft, top + kFirstFieldTop + row * kRowPitch,
                          fieldWidth, kFieldHeight);
    result.control.SetFont(fieldFont_.get());
    result.subclass = std::make_unique<ui::Subclass>(
        result.control.handle(), [this, field](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& answer) {
          return HandleResultFieldMessage(field, message, lParam, answer);
        });
    ++row;
  }
}

void TMainForm::CreateControls() {
  formFont_ = ui::MakeFont("MS Sans Serif", 8);
  fieldFont_ = ui::MakeFont("Courier New", 8, ui::FontWeight::kNormal, FIXED_PITCH | FF_MODERN);
  buttonFont_ = ui::MakeFont("Arial", 8, ui::FontWeight::kBold, VARIABLE_PITCH | FF_SWISS);
  labelFont_ = ui::MakeFont("Arial", 8, ui::FontWeight::kNormal, VARIABLE_PITCH | FF_SWISS);
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);

  CreateGroup(" Version Information : ", 4, 138,
              {"Filename:", "Comments:", "Version:", "Product:", "Company:"}, ResultField::kFileName, 315);
  CreateGroup(" Compiler Information : ", 148, 114, {"Language:", "Compiler:", "Company:", "URL:"},
              ResultField::kLanguage, 315);
  CreateGroup(" Compression / Encryption : ", 267, 92, {"Program:", "Company:", "URL:"},
              ResultField::kProgram, 314);
  FitLabels();

  progressBar_.Create(PROGRESS_CLASSA, "", 0, 0, handle(), 7, 362, 396, 13);

  buttonFrame_.Create("STATIC", "", WS_VISIBLE | SS_SUNKEN | WS_CLIPSIBLINGS, 0, handle(), 7, 378, 396, 23);

  hints_.Create();
  for (int i = 0; i < kBarButtonCount; ++i) {
    const ButtonLayout& layout = kButtons[i];
    glyphs_[i].reset(static_cast<HBITMAP>(
        LoadImageA(application_.Instance(), layout.glyph, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    auto button = std::make_unique<ui::SpeedButton>();
    button->Create(handle(),
                   {.caption = layout.caption,
                    .glyph = glyphs_[i].get(),
                    .font = buttonFont_.get(),
                    .toggle = layout.toggle},
                   layout.left, kButtonTop, kButtonWidth, kButtonHeight);
    const auto which = static_cast<BarButton>(i);
    button->OnClick = [this, which] { SpeedButtonClick(which); };
    hints_.AddTool(handle(), button->handle(), layout.hint);
    buttons_[i] = std::move(button);
  }
  buttons_[kBiewButton]->Show(false);

  databaseLabel_.Create("STATIC", "", WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0, handle(), 8, 413, 393, 13);
  databaseLabel_.SetFont(labelFont_.get());

  statusBar_.Create(STATUSCLASSNAMEA, "", WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0,
                    handle(), 0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  statusBar_.SetFont(formFont_.get());
  statusBar_.MakeSimple();

  // Below the client area: never seen, but it can hold the focus.
  hiddenKey_.Create("BUTTON", "HiddenKey", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, handle(), 271, 468, 75,
                    25);
  hiddenKey_.SetFont(formFont_.get());

  // The frames go behind what they surround (a new child starts at the bottom).
  for (const ui::Control& group : groups_) {
    SetWindowPos(group.handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  SetWindowPos(buttonFrame_.handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm::FitLabels() {
  // Each label as wide as its text. Where the system stands in a wider face
  // for the form's font, the labels' font shrinks until the widest of them
  // ends before the fields begin: a label is never cut or covered.
  constexpr int room = kFieldLeft - kLabelLeft - 1;
  HFONT font = formFont_.get();
  LOGFONTA shape{};
  GetObjectA(font, sizeof shape, &shape);
  ui::unique_hfont retired;  // freed only once no label uses it
  for (;;) {
    int widest = 0;
    for (const ui::Control& label : labels_) {
      label.SetFont(font);
      label.FitToText();
      RECT rect{};
      GetWindowRect(label.handle(), &rect);
      widest = std::max<int>(widest, rect.right - rect.left);
    }
    retired.reset();
    if (widest <= room || shape.lfHeight == -1 || shape.lfHeight == 1) return;
    shape.lfHeight += shape.lfHeight < 0 ? 1 : -1;
    shape.lfWidth = 0;
    retired = std::move(narrowLabelFont_);
    narrowLabelFont_.reset(CreateFontIndirectA(&shape));
    font = narrowLabelFont_.get();
  }
}

bool TMainForm::LoadDatabaseFile(const char* name, DatabaseKind kind, LoadedDatabase& into) {
  const std::optional<std::string> path = LocateDatabase(name);
  if (!path) {
    ShowMessage(MissingDatabaseMessage(name));
    PostQuitMessage(kMissingDatabaseQuitCode);
    return false;
  }
  into.LoadFrom(*path, kind);
  return true;
}

void TMainForm::FormCreate() {
  if (!LoadDatabaseFile(kCompilerDatabaseName, DatabaseKind::kCompiler, compilerDb_)) return;
  if (!LoadDatabaseFile(kCompressionDatabaseName, DatabaseKind::kCompression, compressionDb_)) return;

  char status[96];
  std::snprintf(status, sizeof status, "%d compiler and %d compression pattern loaded",
                compilerDb_.patternCount(), compressionDb_.patternCount());
  SetStatus(status);

  application_.SetCursor(crHand, LoadCursorA(application_.Instance(), "HANDCUR"));

  const std::unique_ptr<TVersionInfo> version = ProgramVersionInfo();
  const std::string caption =
      "Vantric 2000 Beta - [v" + (version ? version->FileVersion() : std::string()) + "]";
  SetWindowTextA(handle(), caption.c_str());

  if (!arguments_.empty()) {
    // Run, View and Biew then act on the file that is on screen.
    currentFile_ = arguments_.front();
    AnalyzeFile(currentFile_);
  }
}

void TMainForm::FormShow() {
  DragAcceptFiles(handle(), TRUE);
  std::string line;
  if (compressionDb_.count > 0) {
    line = "Database Version " + HeaderVersion(compressionDb_.records) + " - Last update on " +
           HeaderDate(compressionDb_.records);
  }
  databaseLabel_.SetText(line);
}

void TMainForm::Show(int showCommand) {
  ShowWindow(handle(), showCommand);
  UpdateWindow(handle());
}

bool TMainForm::FormKeyPreview(const MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (message.wParam == VK_RETURN && KeyDown(VK_CONTROL) && KeyDown(VK_SHIFT)) {
        ui::SpeedButton& biew = *buttons_[kBiewButton];
        biew.Show(!biew.Visible());
      }
      return false;  // the focused control still gets the key
    case WM_SYSCHAR: {
      // Alt and a caption's letter press a button. A plain letter does
      // nothing: one stray key must never start a sample.
      if (KeyDown(VK_CONTROL)) return false;
      const char typed = static_cast<char>(std::toupper(static_cast<unsigned char>(message.wParam)));
      for (const auto& button : buttons_) {
        if (button->Visible() && button->Accelerator() == typed) {
          button->Click();
          return true;
        }
      }
      return false;
    }
    default: return false;
  }
}

void TMainForm::WMDropFiles(HDROP drop) {
  std::string path;
  {
    const auto finish = ui::scope_exit([drop] { DragFinish(drop); });
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 0) return;
    // Asked for its length first, the path is taken whole.
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    path.resize(length);
    path.resize(DragQueryFileA(drop, 0, path.data(), length + 1));
  }
  currentFile_ = path;
  AnalyzeFile(path);
}

void TMainForm::ResultFieldEnter() { SetFocus(hiddenKey_.handle()); }

void TMainForm::ResultFieldClick(ResultField field) {
  if (field != ResultField::kCompilerUrl && field != ResultField::kProgramUrl) return;
  ui::OpenSafeLink(shellExecute, handle(), fields_[static_cast<int>(field)].control.Text());
}

void TMainForm::SpeedButtonClick(BarButton button) {
  switch (button) {
    case kRunButton:
      if (!currentFile_.empty()) shellExecute(handle(), currentFile_, {});
      break;
    case kViewButton: shellExecute(handle(), "notepad.exe", currentFile_); break;
    case kBiewButton: shellExecute(handle(), kBiewProgram, "\"" + currentFile_ + "\""); break;
    case kOnTopButton:
      SetWindowPos(handle(), buttons_[kOnTopButton]->Down() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case kOpenButton: OpenClick(); break;
    case kAboutButton:
      if (showAbout) showAbout();
      break;
    case kBarButtonCount: break;
  }
}

void TMainForm::OpenClick() {
  // The picker starts in the folder of the last pick. Cancel changes nothing:
  // the file on screen stays the one Run, View and Biew act on.
  std::string path = lastFolder_.substr(0, lastFolder_.find_last_of("\\:") + 1);
  if (!BrowseForFile(path, "Select an executable file...", 0)) return;
  lastFolder_ = path;
  currentFile_ = path;
  if (FileExists(currentFile_)) AnalyzeFile(currentFile_);
}

bool TMainForm::HandleResultFieldMessage(ResultField field, UINT message, LPARAM lParam, LRESULT& result) {
  ResultFieldControl& control = fields_[static_cast<int>(field)];
  switch (message) {
    case WM_SETFOCUS:
      // Never let the field have the focus: no caret, no selection.
      ResultFieldEnter();
      result = 0;
      return true;
    case WM_LBUTTONDBLCLK:
      // The second press of a double-click: the first click has opened the
      // link already, and one click opens it once.
      ResultFieldEnter();
      result = 0;
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      switch (control.clicks.OnMessage(control.control.handle(), message, lParam)) {
        case ui::ClickEvent::kNone: return false;
        case ui::ClickEvent::kPressed: ResultFieldEnter(); break;
        case ui::ClickEvent::kClicked: ResultFieldClick(field); break;
        case ui::ClickEvent::kReleased: break;
      }
      result = 0;
      return true;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) return false;
      ::SetCursor(application_.Cursor(control.cursor));
      result = TRUE;
      return true;
    default: return false;
  }
}

void TMainForm::ShowMessage(const std::string& text) {
  messageBox(handle(), text, application_.Title(), MB_OK);
}

void TMainForm::SetStatus(const std::string& text) {
  statusBar_.SetSimpleText(text);
  statusBar_.Repaint();
}

void TMainForm::ClearResults() {
  for (ResultFieldControl& field : fields_) field.control.SetText({});
}

void TMainForm::ShowAppInfo(const TAppInfo& info) {
  const std::string* texts[kResultFieldCount] = {
      &info.fileName,    &info.comments, &info.fileVersion,    &info.productName,
      &info.companyName, &info.language, &info.compiler,       &info.compilerCompany,
      &info.compilerUrl, &info.program,  &info.programCompany, &info.programUrl,
  };
  for (int i = 0; i < kResultFieldCount; ++i) fields_[i].control.SetText(*texts[i]);
  SetLinkStyle(ResultField::kCompilerUrl, info.compilerUrl.size() >= 2);
  SetLinkStyle(ResultField::kProgramUrl, info.programUrl.size() >= 2);
}

void TMainForm::SetLinkStyle(ResultField field, bool isLink) {
  ResultFieldControl& control = fields_[static_cast<int>(field)];
  control.textColour = isLink ? kLinkColour : kPlainColour;
  control.cursor = isLink ? crHand : crDefault;
  InvalidateRect(control.control.handle(), nullptr, TRUE);
}

void TMainForm::AnalyzeFile(const std::string& path) {
  ClearResults();

  bool captionSet = false;
  const auto setCaption = [&] {
    if (captionSet) return;
    SetWindowTextA(handle(), path.c_str());
    captionSet = true;
  };
  const int patterns = compilerDb_.patternCount();
  bool barShown = false;
  int position = 0;

  AnalysisObserver observer;
  observer.status = [&](std::string_view text) {
    setCaption();
    SetStatus(std::string(text));
  };
  observer.compilerPassStarts = [&] {
    // No signature, nothing to count: the bar would have an empty range.
    if (patterns <= 0) return;
    progressBar_.SetRange(1, patterns);
    position = 1;
    progressBar_.SetPosition(position);
    progressBar_.Show(true);
    progressBar_.Repaint();
    barShown = true;
  };
  observer.compilerPassProgress = [&](std::uint64_t done, std::uint64_t total) {
    if (!barShown) return;
    const int next = ProgressBarPosition(done, total, patterns);
    if (next == position) return;
    position = next;
    progressBar_.SetPosition(position);
    progressBar_.Repaint();
  };

  // The bar never stays up, whatever happens below.
  const auto hideBar = ui::scope_exit([&] {
    if (barShown) progressBar_.Show(false);
  });
  AnalysisResult result = vantric::AnalyzeFile(path, compilerDb_, compressionDb_, observer);
  if (result.status != AnalysisStatus::kNotFound) setCaption();

  switch (result.status) {
    case AnalysisStatus::kOk:
      if (barShown) {
        progressBar_.SetPosition(patterns);
        progressBar_.Repaint();
      }
      progressBar_.Show(false);
      barShown = false;
      SetStatus({});
      ShowAppInfo(result.info);
      break;
    case AnalysisStatus::kNotFound:
    case AnalysisStatus::kTooSmall: break;
    case AnalysisStatus::kOpenFailed: ShowMessage(result.error); break;
    case AnalysisStatus::kTooLarge:
    case AnalysisStatus::kIoError: application_.ShowException(result.error); break;
  }
}

LRESULT TMainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) FormShow();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        SetFocus(hiddenKey_.handle());
        return 0;
      }
      break;
    case WM_DROPFILES: WMDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const auto control = reinterpret_cast<HWND>(lParam);
      for (const ResultFieldControl& field : fields_) {
        if (field.control.handle() != control) continue;
        SetTextColor(dc, field.textColour);
        SetBkColor(dc, GetSysColor(COLOR_SCROLLBAR));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_SCROLLBAR));
      }
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
      application_.RemoveKeyPreview(handle());
      application_.MainWindowDestroyed(handle());
      return 0;
    default: break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace vantric
