#include "about/about_form.h"

#include <algorithm>

#include "ui/font.h"

namespace vantric {
namespace {

constexpr char kClassName[] = "VantricAboutForm";
constexpr int kClientWidth = 406;
constexpr int kClientHeight = 306;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlue = 0xFF0000;    // blue-green-red order
constexpr COLORREF kPurple = 0x800080;  // a visited link
// The hand, registered by the main window at start.
constexpr int kHandCursor = 12;
constexpr RECT kBevel2{2, 1, 2 + 55, 1 + 303};
constexpr int kLinkLeft = 149;

constexpr char kTagline[] = "Tells how a Windows program was built";
constexpr char kWebSite[] = "http://example.org/vantric";
constexpr char kBugAddress[] = "bugs@example.org";
constexpr char kAuthorAddress[] = "author@example.org";

ui::unique_hfont MakeFontOfHeight(const char* face, int height, bool bold) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  return ui::unique_hfont(CreateFontIndirectA(&font));
}

// As wide as the layout says, or as the text needs where the font in use
// is wider than the one the layout was made with: a label never cuts its text.
int FittingWidth(HWND label, HFONT font, const std::string& text, int width) {
  const ui::unique_hdc_window dc(label);
  const ui::SelectObjectScope selected(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx > width ? static_cast<int>(size.cx) : width;
}

// A control's rectangle in its parent's client coordinates.
RECT BoundsIn(HWND parent, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

const std::vector<std::string>& CreditLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> l(11);  // the panel skips leading blank lines
    l.insert(l.end(), {
                          "Vantric 2000",
                          kTagline,
                          "Copyright (c) 2026 The Vantric developers.",
                          "Free software under the MIT License.",
                          "",
                          "",
                          "",
                          "For new versions and database updates,",
                          "please visit the vantric official site frequently.",
                          "",
                          "",
                          "",
                          "PLEASE NOTE THAT THIS IS NOT THE FINAL RELEASE.",
                          "This is the first public release of this program and I need",
                          "your help to complete the database and eliminate ",
                          "potential bugs. Please report the bugs and send me ",
                          "your suggestions and ideas.",
                          "",
                          "",
                          "",
                          "",
                          "CREDITS:",
                          "",
                          "The Vantric developers for the scrolling credits panel",
                          kWebSite,
                          "",
                          "The MinGW-w64 project for the development tools",
                          "https://www.mingw-w64.org",
                          "",
                          "The Vantric resource script for the icon",
                          kWebSite,
                          "",
                          "The UPX project for the UPX packer",
                          "https://upx.github.io",
                          "",
                          "The Biew project for the Biew hex viewer",
                          "http://biew.sourceforge.net",
                      });
    return l;
  }();
  return lines;
}

TAboutForm::TAboutForm(ui::Application& application, Options options)
    : shellExecute(std::move(options.shellExecute)), application_(application), owner_(options.owner) {
  RECT bounds{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&bounds, kStyle, FALSE, kExStyle);
  OffsetRect(&bounds, -bounds.left, -bounds.top);
  Create({.name = kClassName, .background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))}, kExStyle,
         "About", kStyle, bounds, owner_);
  CreateControls();
  try {
    FormCreate();
  } catch (...) {
    application_.HandleException();
  }
}

TAboutForm::~TAboutForm() {
  // The credits stop before any window goes.
  secretPanel_.SetActive(false);
  application_.RemoveDialog(handle());
  DestroyHandle();
}

void TAboutForm::CreateLabel(LabelNumber number, const std::string& text, int left, int top, int width,
                             int height, HFONT font, DWORD align) {
  LabelControl& label = labels_[number - 1];
  // SS_NOTIFY: the label, not the window behind it, gets the mouse.
  label.control.Create("STATIC", text, WS_VISIBLE | SS_NOPREFIX | SS_NOTIFY | align, 0, handle(), left, top,
                       width, height);
  label.control.SetFont(font);
  const int fitting = FittingWidth(label.control.handle(), font, text, width);
  if (fitting != width) {
    SetWindowPos(label.control.handle(), nullptr, 0, 0, fitting, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  label.color = GetSysColor(COLOR_WINDOWTEXT);
  label.subclass = std::make_unique<ui::Subclass>(
      label.control.handle(), [this, &label](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        return HandleLabelMessage(label, message, lParam, result);
      });
}

void TAboutForm::MakeLink(LabelNumber number, const std::string& target) {
  LabelControl& label = labels_[number - 1];
  label.link = true;
  label.hint = target;
  label.color = kBlue;
}

void TAboutForm::CreateControls() {
  formFont_ = MakeFontOfHeight("MS Sans Serif", -11, false);
  titleFont_ = MakeFontOfHeight("Verdana", -35, true);
  taglineFont_ = ui::MakeFont("Arial", 8, ui::FontWeight::kBold, VARIABLE_PITCH | FF_SWISS);
  linkFont_ = ui::MakeFont("MS Sans Serif", 8);
  LOGFONTA underlined{};
  GetObjectA(linkFont_.get(), sizeof underlined, &underlined);
  underlined.lfUnderline = TRUE;
  underlinedLinkFont_.reset(CreateFontIndirectA(&underlined));
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);

  // Button1 comes first: it is the one stop of the tab order and the default.
  button1_.Create("BUTTON", "&Close", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, handle(), 327, 277, 75,
                  25, IDOK);
  button1_.SetFont(formFont_.get());

  CreateLabel(kLabel1, "Vantric", 134, -3, 189, 42, titleFont_.get());
  CreateLabel(kLabel2, kTagline, 123, 43, 211, 14, taglineFont_.get());
  banner_.reset(static_cast<HBITMAP>(
      LoadImageA(application_.Instance(), "ABOUTBANNER", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  image1_.Create("STATIC", "", WS_VISIBLE | SS_BITMAP | SS_NOTIFY, 0, handle(), 3, 2, 53, 301);
  SendMessageA(image1_.handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner_.get()));
  CreateLabel(kLabel3, "Official web site:", 64, 254, 77, 13, formFont_.get());
  CreateLabel(kLabel4, "Bug report:", 64, 271, 52, 13, formFont_.get());
  CreateLabel(kLabel5, kWebSite, kLinkLeft, 254, 133, 13, linkFont_.get());
  MakeLink(kLabel5, kWebSite);
  CreateLabel(kLabel6, kBugAddress, kLinkLeft, 271, 104, 13, linkFont_.get());
  MakeLink(kLabel6, std::string("mailto:") + kBugAddress);
  CreateLabel(kLabel7, "Ideas, opinions:", 64, 288, 74, 13, formFont_.get());
  CreateLabel(kLabel8, kAuthorAddress, kLinkLeft, 288, 94, 13, linkFont_.get());
  MakeLink(kLabel8, std::string("mailto:") + kAuthorAddress + "?subject=Vantric2000");
  KeepLinksClearOfCaptions();

  secretPanel_.CreatePanel(handle(), 64, 59, 334, 189);
  secretPanel_.SetCycled(true);
  secretPanel_.SetInterval(45);
  secretPanel_.SetBevelOuter(TBevelCut::bvNone);
  secretPanel_.SetColor(kWhite);
  LOGFONTA font{};
  GetObjectA(taglineFont_.get(), sizeof font, &font);
  font.lfWeight = FW_NORMAL;
  secretPanel_.SetFont(font, GetSysColor(COLOR_WINDOWTEXT));
  secretPanel_.SetLines(CreditLines());

  application_.AddDialog(handle());
}

void TAboutForm::KeepLinksClearOfCaptions() {
  const auto right = [this](LabelNumber number) {
    return static_cast<int>(BoundsIn(handle(), Label(number)).right);
  };
  // The layout leaves 8 pixels between the captions and the links; a wider
  // font than the layout's pushes the links right instead of under them.
  constexpr int kGap = 8;
  const int linkLeft =
      std::max({kLinkLeft, right(kLabel3) + kGap, right(kLabel4) + kGap, right(kLabel7) + kGap});
  if (linkLeft == kLinkLeft) return;
  for (LabelNumber link : {kLabel5, kLabel6, kLabel8}) {
    SetWindowPos(Label(link), nullptr, linkLeft, BoundsIn(handle(), Label(link)).top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TAboutForm::FormCreate() {
  for (LabelNumber link : {kLabel5, kLabel6, kLabel8}) labels_[link - 1].cursor = kHandCursor;
}

void TAboutForm::FormShow() {
  if (!secretPanel_.Active()) secretPanel_.SetActive(true);
}

void TAboutForm::FormClose() { secretPanel_.SetActive(false); }

void TAboutForm::FormMouseMove() {
  for (LabelNumber link : {kLabel5, kLabel6, kLabel8}) {
    LabelControl& label = labels_[link - 1];
    if (label.underlined) SetUnderline(label, false);
  }
}

void TAboutForm::Label6Click(LabelControl& label) {
  // The same rule as every other link of the program.
  ui::OpenSafeLink(shellExecute, owner_, label.hint);
  label.color = kPurple;
  InvalidateRect(label.control.handle(), nullptr, TRUE);
}

void TAboutForm::Label5MouseMove(LabelControl& label) {
  if (!label.underlined) SetUnderline(label, true);
}

void TAboutForm::SetUnderline(LabelControl& label, bool underlined) {
  label.underlined = underlined;
  label.control.SetFont(underlined ? underlinedLinkFont_.get() : linkFont_.get());
}

bool TAboutForm::HandleLabelMessage(LabelControl& label, UINT message, LPARAM lParam, LRESULT& result) {
  if (!label.link) return false;
  switch (message) {
    case WM_MOUSEMOVE: Label5MouseMove(label); return false;
    case WM_LBUTTONDBLCLK:
      // The second press of a double click: the first has opened the link.
      result = 0;
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      switch (label.clicks.OnMessage(label.control.handle(), message, lParam)) {
        case ui::ClickEvent::kNone: return false;
        case ui::ClickEvent::kClicked: Label6Click(label); break;
        case ui::ClickEvent::kPressed:
        case ui::ClickEvent::kReleased: break;
      }
      result = 0;
      return true;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) return false;
      ::SetCursor(application_.Cursor(label.cursor));
      result = TRUE;
      return true;
    default: return false;
  }
}

int TAboutForm::ShowModal() {
  RECT window{};
  GetWindowRect(handle(), &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  modalResult_ = 0;
  modal_ = true;
  const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  ShowWindow(handle(), SW_SHOW);
  SetForegroundWindow(handle());
  SetFocus(button1_.handle());

  // Ends also when the window goes with its owner.
  const bool quit = !application_.RunModal([this] { return modalResult_ != 0 || !handle(); });
  modal_ = false;
  if (quit || modalResult_ == 0) modalResult_ = IDCANCEL;
  try {
    FormClose();
  } catch (...) {
    application_.HandleException();
  }
  // The owner comes back before this one goes, so that it gets the activation.
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  ShowWindow(handle(), SW_HIDE);
  if (owner_) SetActiveWindow(owner_);
  return modalResult_;
}

LRESULT TAboutForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) FormShow();
      break;
    case WM_CLOSE:
      // Hidden, never destroyed: the one instance lives on.
      if (modal_) modalResult_ = IDCANCEL;
      return 0;
    case WM_COMMAND:
      // Enter and the Close button; Esc (IDCANCEL) has no button to press.
      if (LOWORD(wParam) == IDOK && modal_) modalResult_ = IDOK;
      return 0;
    case DM_GETDEFID: return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        SetFocus(button1_.handle());
        return 0;
      }
      break;
    case WM_DESTROY: application_.RemoveDialog(handle()); break;
    case WM_MOUSEMOVE: FormMouseMove(); return 0;
    case WM_PAINT: {
      const ui::PaintScope paint(handle());
      RECT bevel = kBevel2;
      ui::Frame3D(paint.get(), bevel, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT), 1);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const auto control = reinterpret_cast<HWND>(lParam);
      COLORREF color = GetSysColor(COLOR_WINDOWTEXT);
      for (const LabelControl& label : labels_) {
        if (label.control.handle() == control) color = label.color;
      }
      SetTextColor(dc, color);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    default: break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace vantric
