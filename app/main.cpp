// vantric.exe: the application, its main window and the main loop.

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "about/about_form.h"
#include "app/explorer_verb.h"
#include "app/main_form.h"
#include "platform/command_line.h"
#include "ui/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  vantric::ui::Application application("Vantric");
  try {
    std::vector<std::string> arguments = vantric::CommandLineArguments(__argc, __argv);
    arguments.erase(arguments.begin());  // the program's own name
    // Explorer's menu entry is set up or taken away without opening a window.
    if (const std::optional<int> status = vantric::RunExplorerVerbOption(arguments)) return *status;
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
