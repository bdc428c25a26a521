#pragma once
// Off-screen renders of views to PNG files, started by the RENDER_* switches.
#include <functional>
#include <string>

#include "ui/model/Sidebar.h"

namespace quorvel {
namespace PreviewRenders {

// The sidebar of a sample workspace: sample entries, recents, to-do counts, "/cases"
// selected.
SidebarInput sampleSidebar();
// Renders the sample sidebar at 232 × 760 to `path` (a link planted there is refused).
bool renderSidebar(const std::string& path);
// RENDER_ALL / RENDER_SHEETS / RENDER_SETTINGS: renders what this build has, logs
// and calls `quit`.
void renderAllAndExit(std::function<void()> quit);
void renderSheetsAndExit(std::function<void()> quit);
void renderSettingsAndExit(std::function<void()> quit);

}  // namespace PreviewRenders
}  // namespace quorvel
