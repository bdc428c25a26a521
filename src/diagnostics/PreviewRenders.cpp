#include "diagnostics/PreviewRenders.h"

#include <gtkmm/box.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/NavItem.h"
#include "diagnostics/Reports.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/SidebarView.h"

namespace quorvel::PreviewRenders {
namespace {
// Renders into a private temporary file first, then copies the bytes to the shared
// path without following links.
bool renderTo(Gtk::Widget& widget, const std::string& path, int width, int height) {
  std::string error;
  auto* frame = Gtk::make_managed<Gtk::Box>();
  frame->set_size_request(width, height);
  frame->append(widget);
  widget.set_hexpand(true);
  widget.set_vexpand(true);
  char tmpl[] = "/tmp/quorvel-render-XXXXXX";
  int fd = mkstemp(tmpl);
  if (fd < 0) {
    logLine(tags::kRender, "渲染失败：无法创建临时文件", LogLevel::warning);
    return false;
  }
  close(fd);
  bool ok = renderWidgetToPng(*frame, tmpl, &error);
  std::string bytes;
  if (ok) {
    std::ifstream in(tmpl, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  std::remove(tmpl);
  if (ok) ok = writeFileReplacingLinks(path, bytes, &error);
  if (ok)
    logLine(tags::kRender, "已渲染 " + path);
  else
    logLine(tags::kRender, "渲染失败 " + path + "：" + error, LogLevel::warning);
  return ok;
}
}  // namespace

SidebarInput sampleSidebar() {
  SidebarInput in;
  in.items = defaultSideItems();
  in.recents = {{88, "（2026）京0105民初1234号 华盛科技诉远航物流"}, {91, "（2026）沪0115民初5678号 劳动争议"},
                {95, "（2025）粤03民终902号 买卖合同纠纷"}};
  in.counts = {{TodoKind::overdue, 3}, {TodoKind::today, 2}, {TodoKind::soon, 7}, {TodoKind::hearings, 1}};
  in.badgesLoaded = true;
  in.selectedPath = "/cases";
  in.userName = "林律师";
  in.userRole = "合伙人";
  in.updatedAt = "09:30";
  return in;
}

bool renderSidebar(const std::string& path) {
  auto* view = Gtk::make_managed<SidebarView>();
  view->update(sampleSidebar());
  return renderTo(*view, path, 232, 760);
}

void renderAllAndExit(std::function<void()> quit) {
  renderSidebar("/tmp/v2-sidebar.png");
  logLine(tags::kRender, "其余视图的渲染尚未在此版本中提供");
  quit();
}

void renderSheetsAndExit(std::function<void()> quit) {
  logLine(tags::kRender, "工具窗口的渲染尚未在此版本中提供");
  quit();
}

void renderSettingsAndExit(std::function<void()> quit) {
  logLine(tags::kRender, "设置窗口的渲染尚未在此版本中提供");
  quit();
}

}  // namespace quorvel::PreviewRenders
