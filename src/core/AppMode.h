#pragma once

namespace quorvel {

// How the process runs, decided once at start-up and handed to the objects that
// behave differently.
enum class AppMode {
  normal,      // a user's session
  diagnostic,  // "--selftest" / "--livetest": no dialogs, no session saved or restored
  test,        // automated tests: dialogs become log lines, nothing opens on the desktop
};

// Dialogs are answered at once and logged instead of shown.
inline bool isQuiet(AppMode m) { return m != AppMode::normal; }

}  // namespace quorvel
