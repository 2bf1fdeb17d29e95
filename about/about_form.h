#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/secret_panel.h"
#include "ui/application.h"
#include "ui/click_tracker.h"
#include "ui/control.h"
#include "ui/handles.h"
#include "ui/shell_launch.h"
#include "ui/window.h"

namespace vantric {

// The credits, line by line, as the panel scrolls them.
const std::vector<std::string>& CreditLines();

// The About box: product name, banner, scrolling credits, three links and a
// Close button. One instance lives for the whole process and is shown
// modally; closing hides it.
class TAboutForm : public ui::Window {
 public:
  struct Options {
    // Owner of the window and of the shell launches: the main window.
    HWND owner = nullptr;
    ui::ShellExecuteFunction shellExecute = ui::SystemShellExecute();
  };
  enum LabelNumber { kLabel1 = 1, kLabel2, kLabel3, kLabel4, kLabel5, kLabel6, kLabel7, kLabel8 };

  TAboutForm(ui::Application& application, Options options);
  ~TAboutForm() override;

  // Shows the window centred on the screen and returns when it closes, with
  // 1 for Close or Enter, 2 for the close box.
  int ShowModal();

  ui::ShellExecuteFunction shellExecute;

  HWND Label(LabelNumber number) const { return labels_[number - 1].control.handle(); }
  HWND Image1() const { return image1_.handle(); }
  HWND Button1() const { return button1_.handle(); }
  TSecretPanel& SecretPanel() { return secretPanel_; }
  // For a link label: its text colour, whether it is underlined, its target
  // and the index of its cursor.
  COLORREF LabelColor(LabelNumber number) const { return labels_[number - 1].color; }
  bool LabelUnderlined(LabelNumber number) const { return labels_[number - 1].underlined; }
  const std::string& LabelHint(LabelNumber number) const { return labels_[number - 1].hint; }
  int LabelCursor(LabelNumber number) const { return labels_[number - 1].cursor; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct LabelControl {
    ui::Control control;
    std::unique_ptr<ui::Subclass> subclass;
    bool link = false;
    std::string hint;
    COLORREF color = 0;
    bool underlined = false;
    ui::ClickTracker clicks;
    int cursor = 0;
  };

  void CreateControls();
  void CreateLabel(LabelNumber number, const std::string& text, int left, int top, int width, int height,
                   HFONT font, DWORD align = SS_LEFT);
  void MakeLink(LabelNumber number, const std::string& target);
  void KeepLinksClearOfCaptions();
  bool HandleLabelMessage(LabelControl& label, UINT message, LPARAM lParam, LRESULT& result);
  void SetUnderline(LabelControl& label, bool underlined);

  // The handlers.
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormMouseMove();
  void Label6Click(LabelControl& label);
  void Label5MouseMove(LabelControl& label);

  ui::Application& application_;
  HWND owner_;
  int modalResult_ = 0;
  bool modal_ = false;

  ui::unique_hfont formFont_;
  ui::unique_hfont titleFont_;
  ui::unique_hfont taglineFont_;
  ui::unique_hfont linkFont_;
  ui::unique_hfont underlinedLinkFont_;
  ui::unique_hbitmap banner_;

  std::array<LabelControl, 8> labels_;
  ui::Control image1_;
  ui::Control button1_;
  TSecretPanel secretPanel_;
};

}  // namespace vantric
