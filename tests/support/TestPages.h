#pragma once
// HTML of the test service's pages. Element ids are fixed so tests can find and click
// them from page scripts.
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test::pages {

// The sidebar shared by the signed-in pages: five visible entries with paths, one
// hidden ("d-none"), one whose href is not a path.
std::string sidebar(const std::string& activePath);

std::string login(const std::string& error = "");
// The counters are "{{overdue}}", "{{today}}", "{{soon}}", "{{verify}}" and
// "{{hearings}}": the service fills them from its badge counts.
std::string dashboard();
std::string cases();
std::string calendar();
std::string proceeding(const std::string& id, const std::string& rest);
std::string forbidden();
std::string navGarbage();
std::string newWindow();
std::string serverError();
std::string notFound(const std::string& path);
// Any page of the signed-in service: its sidebar, top bar and style around `main`.
std::string servicePage(const std::string& title, const std::string& activePath, const std::string& main);

// The server paths of the case files the proceeding pages list.
std::vector<std::string> proceedingFilePaths();
// The folder of a proceeding of the demo firm on the case share ("案件/2026/<案号>");
// nothing for an id the firm has no proceeding of.
std::optional<std::string> proceedingFolder(const std::string& id);

// Text the forbidden page's body starts with.
inline constexpr const char* kForbiddenText = "⛔ 无权访问该页面";

}  // namespace quorvel::test::pages
