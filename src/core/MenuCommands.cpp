#include "core/MenuCommands.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

const std::vector<MenuCommand>& menuCommands() {
  static const std::vector<MenuCommand> commands = {
      {"new-tab", "新建标签", "⌘T", {"<Control>t"}},
      {"reload", "重新加载", "⌘R", {"<Control>r"}, true},
      {"go-back", "后退", "⌘[", {"<Control>bracketleft"}},
      {"go-forward", "前进", "⌘]", {"<Control>bracketright"}},
      {"next-tab", "下一个标签", "⌘⇧]", {"<Control><Shift>bracketright", "<Control><Shift>braceright"}, true},
      {"previous-tab", "上一个标签", "⌘⇧[", {"<Control><Shift>bracketleft", "<Control><Shift>braceleft"}},
      {"find-in-page", "页内搜索", "⌘F", {"<Control>f"}},
      {"zoom-in", "放大", "⌘=", {"<Control>equal", "<Control>plus", "<Control>KP_Add"}, true},
      {"zoom-out", "缩小", "⌘-", {"<Control>minus", "<Control>KP_Subtract"}},
      {"zoom-reset", "实际大小", "⌘0", {"<Control>0", "<Control>KP_0"}},
      {"palette", "全局搜索…", "⌘K", {"<Control>k"}, true},
      {"shortcuts", "键盘快捷键", "⌘/", {"<Control>slash"}},
      {"hibernate-others", "休眠其他标签", "⌘⇧H", {"<Control><Shift>h"}, true},
      {"check-update", "检查更新…", "", {}},
      {"print", "打印…", "⌘P", {"<Control>p"}, true},
      {"export-pdf", "导出当前页 PDF…", "⌘⇧E", {"<Control><Shift>e"}},
      {"switch-account", "切换账号…", "⌘⇧L", {"<Control><Shift>l"}, true},
      {"todo", "我的待办…", "⌘⇧D", {"<Control><Shift>d"}},
      {"desktop-calendar", "桌面交互日历", "⌘⇧C", {"<Control><Shift>c"}},
      {"quick-capture", "悬浮快记待办…", "⌥⇧N", {"<Alt><Shift>n"}},
      {"screen-ocr", "屏幕框选 OCR 智提…", "⌥⇧O", {"<Alt><Shift>o"}},
      {"quick-archive", "快速归档 / 扫描导入…", "⌘⇧U", {"<Control><Shift>u"}},
      {"sync-calendar", "立即同步本机日历与提醒事项", "", {}},
      {"lock", "隐私锁定工作区", "⌘⌃L", {"<Control><Alt>l"}},
      {"mirror", "本地卷宗镜像…", "⌘⇧M", {"<Control><Shift>m"}, true},
      {"scan-ocr", "扫描件识别（可搜索 PDF）…", "⌘⇧S", {"<Control><Shift>s"}},
      {"font-size", "字号", "", {}, false, true},
      {"reveal-audit-log", "打开上传日志", "", {}},
      {"open-volume", "打开卷宗目录", "⌘⇧O", {"<Control><Shift>o"}},
      {"open-data-folder", "打开数据目录", "", {}},
  };
  return commands;
}

const MenuCommand* findMenuCommand(const std::string& action) {
  for (const auto& c : menuCommands())
    if (c.action == action) return &c;
  return nullptr;
}

const std::vector<FontSizeChoice>& fontSizeChoices() {
  static const std::vector<FontSizeChoice> choices = {{"小", 0.9}, {"中", 1.0}, {"大", 1.15}};
  return choices;
}

namespace PageZoom {
double clamped(double value) {
  if (!std::isfinite(value)) return 1.0;
  return std::clamp(value, minimum, maximum);
}
double stepped(double current, double delta) {
  // Rounded to hundredths so that repeated steps land on 1.0, 1.1 … exactly.
  double next = std::round((current + delta) * 100.0) / 100.0;
  return clamped(next);
}
}  // namespace PageZoom

const char* pageSearchScript() {
  return R"JS((function(){
  var list = document.querySelectorAll('input[type=search],input[name*=search],input[id*=search],input[placeholder]');
  for (var i = 0; i < list.length; i++) {
    var el = list[i];
    var ph = el.getAttribute('placeholder') || '';
    var nameId = (el.getAttribute('name') || '') + (el.getAttribute('id') || '');
    if (/search/i.test(nameId) || ph.indexOf('搜索') >= 0) {
      el.focus();
      if (typeof el.select === 'function') { try { el.select(); } catch (e) {} }
      return 'ok';
    }
  }
  return 'none';
})())JS";
}

}  // namespace quorvel
