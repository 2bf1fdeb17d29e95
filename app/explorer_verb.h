#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantric {

// "Analyse with Vantric" in Explorer's right-click menu, for the current user
// only: HKEY_CURRENT_USER\Software\Classes\SystemFileAssociations\<extension>
// \shell\AnalyseWithVantric, with a "command" key that starts the program on
// the file. SystemFileAssociations adds the verb whatever program the user has
// chosen to open those files with, and changes no association.

// The file types that get the verb, each with its dot.
std::span<const std::string_view> ExplorerVerbExtensions();

// What a registration did, or why it could not; `message` is for the user.
struct ExplorerVerbOutcome {
  bool ok = false;
  std::string message;
};

// Adds the verb, starting `programPath` (a full path) on the file. Running it
// again is harmless, and points the verb at a program that moved.
ExplorerVerbOutcome RegisterExplorerVerb(const std::string& programPath);

// Removes the verb and the keys that RegisterExplorerVerb had to create for
// it (Software\Classes included), when nothing else has been put in them since.
ExplorerVerbOutcome UnregisterExplorerVerb();

// For WinMain: carries out a lone "--register" or "--unregister", tells the
// user how it went and gives the exit status; nothing for other arguments.
std::optional<int> RunExplorerVerbOption(const std::vector<std::string>& arguments);

}  // namespace vantric
