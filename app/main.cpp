// vantric.exe: the application, its main window and the main loop.

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "about/about_form.h"
#include "app/main_form.h"
#include "ui/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  vantric::ui::Application application("Vantric");
  try {
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
    vantric::TMainForm mainForm(application, {.arguments = std::move(arguments)});
    application.SetMainWindow(mainForm.handle());
    vantric::TAboutForm aboutForm(application, {.owner = mainForm.handle()});
    mainForm.showAbout = [&aboutForm] { aboutForm.ShowModal(); };
    mainForm.Show(showCommand);
    return application.Run();
  } catch (...) {
    application.HandleException();
    return 1;
  }
}
