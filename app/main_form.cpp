#include "app/main_form.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "app/toolchain_hint.h"
#include "platform/file_system.h"
#include "shellstuff/browse_for_file.h"
#include "ui/font.h"
#include "ui/wide_text.h"

namespace vantric {
namespace {

constexpr char kClassName[] = "VantricMainForm";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

constexpr char kBiewProgram[] = "D:\\PROGRAMS\\BIEW501\\BIEW.EXE";

// The bar moves from 1 to the compiler database's pattern count in step with
// the bytes scanned.
int ProgressBarPosition(std::uint64_t done, std::uint64_t total, int patternCount) {
  if (patternCount <= 1 || total == 0) return 1;
  done = std::min(done, total);
  return 1 + static_cast<int>(done * static_cast<std::uint64_t>(patternCount - 1) / total);
}

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
    return MessageBoxW(owner, ui::WideText(text).c_str(), ui::WideText(caption).c_str(), flags);
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

void TMainForm::CreateGroup(const GroupLayout& layout) {
  const Bounds& frame = layout.frame;
  ui::Control& group = groups_.emplace_back();
  group.Create("BUTTON", layout.caption, WS_VISIBLE | BS_GROUPBOX | WS_CLIPSIBLINGS, 0, handle(), frame.left,
               frame.top, frame.width, frame.height);
  group.SetFont(formFont_.get());

  for (const ResultFieldInfo& info : kResultFields) {
    if (info.group != layout.group) continue;
    const Bounds labelBounds = LabelBounds(info.field);
    ui::Control& label = labels_.emplace_back();
    label.Create("STATIC", std::string(info.label) + ":", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, handle(),
                 labelBounds.left, labelBounds.top, labelBounds.width, labelBounds.height);
    label.SetFont(formFont_.get());

    const Bounds fieldBounds = FieldBounds(info.field);
    const ResultField field = info.field;
    ResultFieldControl& result = fields_[static_cast<int>(field)];
    result.control.Create("EDIT", "", WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE,
                          handle(), fieldBounds.left, fieldBounds.top, fieldBounds.width, fieldBounds.height);
    result.control.SetFont(fieldFont_.get());
    result.subclass = std::make_unique<ui::Subclass>(
        result.control.handle(), [this, field](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& answer) {
          return HandleResultFieldMessage(field, message, lParam, answer);
        });
  }
}

void TMainForm::CreateControls() {
  formFont_ = ui::MakeFont("MS Sans Serif", 8);
  fieldFont_ = ui::MakeFont("Courier New", 8, ui::FontWeight::kNormal, FIXED_PITCH | FF_MODERN);
  buttonFont_ = ui::MakeFont("Arial", 8, ui::FontWeight::kBold, VARIABLE_PITCH | FF_SWISS);
  labelFont_ = ui::MakeFont("Arial", 8, ui::FontWeight::kNormal, VARIABLE_PITCH | FF_SWISS);
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);

  for (const GroupLayout& layout : kGroupLayouts) CreateGroup(layout);
  FitLabels();

  const auto create = [this](ui::Control& control, const char* className, const char* text, DWORD style,
                             const Bounds& at) {
    control.Create(className, text, style, 0, handle(), at.left, at.top, at.width, at.height);
  };
  create(progressBar_, PROGRESS_CLASSA, "", 0, kProgressBarBounds);

  create(buttonFrame_, "STATIC", "", WS_VISIBLE | SS_SUNKEN | WS_CLIPSIBLINGS, kButtonFrameBounds);

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
  // The compiler fields' hint lists the toolchain evidence of the file shown.
  for (const ResultFieldInfo& info : kResultFields) {
    if (info.group == ResultGroup::kCompiler) hints_.AddTool(handle(), Field(info.field), "");
  }

  create(databaseLabel_, "STATIC", "", WS_VISIBLE | SS_CENTER | SS_NOPREFIX, kDatabaseLabelBounds);
  databaseLabel_.SetFont(labelFont_.get());

  create(statusBar_, STATUSCLASSNAMEA, "", WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
         kStatusBarBounds);
  statusBar_.SetFont(formFont_.get());
  statusBar_.MakeSimple();

  create(hiddenKey_, "BUTTON", "HiddenKey", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kHiddenKeyBounds);
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

bool TMainForm::LoadDatabaseFile(DatabaseKind kind) {
  const std::optional<std::string> path = Analyzer::LocateForWindow(kind);
  if (!path) {
    ShowMessage("File not found : " + std::string(Analyzer::FileName(kind)));
    PostQuitMessage(kMissingDatabaseQuitCode);
    return false;
  }
  analyzer_.LoadKeepingWhatWasRead(kind, *path);
  return true;
}

void TMainForm::FormCreate() {
  if (!LoadDatabaseFile(DatabaseKind::kCompiler)) return;
  if (!LoadDatabaseFile(DatabaseKind::kCompression)) return;

  char status[96];
  std::snprintf(status, sizeof status, "%d compiler and %d compression pattern loaded",
                analyzer_.Facts(DatabaseKind::kCompiler).patternCount,
                analyzer_.Facts(DatabaseKind::kCompression).patternCount);
  SetStatus(status);

  application_.SetCursor(crHand, LoadCursorA(application_.Instance(), "HANDCUR"));

  const std::string caption = "Vantric 2000 Beta - [v" + ProgramFileVersion() + "]";
  SetWindowTextW(handle(), ui::WideText(caption).c_str());

  if (!arguments_.empty()) {
    // Run, View and Biew then act on the file that is on screen.
    currentFile_ = arguments_.front();
    AnalyzeFile(currentFile_);
  }
}

void TMainForm::FormShow() {
  DragAcceptFiles(handle(), TRUE);
  std::string line;
  if (const DatabaseFacts& compressions = analyzer_.Facts(DatabaseKind::kCompression);
      compressions.count > 0) {
    line = "Database Version " + compressions.version + " - Last update on " + compressions.date;
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
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return;
    // Asked for its length first, the path is taken whole.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring wide(length, L'\0');
    wide.resize(DragQueryFileW(drop, 0, wide.data(), length + 1));
    path = ui::Utf8Text(wide);
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
  ShowToolchainHint({});
}

void TMainForm::ShowToolchainHint(const ToolchainFindings& findings) {
  const std::string hint = ToolchainHint(findings);
  for (const ResultFieldInfo& info : kResultFields) {
    if (info.group == ResultGroup::kCompiler) hints_.SetToolText(handle(), Field(info.field), hint);
  }
}

void TMainForm::ShowAppInfo(const TAppInfo& info) {
  for (int i = 0; i < kResultFieldCount; ++i) fields_[i].control.SetText(info.*kResultFields[i].value);
  SetLinkStyle(ResultField::kCompilerUrl, info.compilerUrl.size() >= 2);
  SetLinkStyle(ResultField::kProgramUrl, info.programUrl.size() >= 2);
  ShowToolchainHint(info.toolchain);
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
    SetWindowTextW(handle(), ui::WideText(path).c_str());
    captionSet = true;
  };
  const int patterns = analyzer_.Facts(DatabaseKind::kCompiler).patternCount;
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
  AnalysisResult result = analyzer_.AnalyzeFile(path, observer);
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
