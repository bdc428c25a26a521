#include "app/LaunchSequence.h"

#include <algorithm>
#include <utility>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "ui/model/WorkspaceViewState.h"
#include "core/Dialogs.h"
#include "platform/UserDefaults.h"

namespace quorvel {

bool environmentSwitchOn(const std::optional<std::string>& value) { return value && *value == "1"; }

LaunchSwitches LaunchSwitches::parse(const std::vector<std::string>& args,
                                     const std::function<std::optional<std::string>(const char*)>& env) {
  LaunchSwitches s;
  auto has = [&](const char* sw) { return std::find(args.begin(), args.end(), sw) != args.end(); };
  // The program name is not a switch, and neither is a value after "--open".
  auto first = std::find(args.begin(), args.end(), "--open");
  if (first != args.end() && std::next(first) != args.end()) s.openTarget = *std::next(first);
  s.domDump = has("--domdump");
  s.editTest = has("--edittest");
  s.selfTest = has("--selftest");
  s.liveTest = has("--livetest");
  s.tutorial = environmentSwitchOn(env("TUT"));
  s.renderAll = environmentSwitchOn(env("RENDER_ALL"));
  s.renderSheets = environmentSwitchOn(env("RENDER_SHEETS"));
  s.renderSettings = environmentSwitchOn(env("RENDER_SETTINGS"));
  s.renderSidebar = environmentSwitchOn(env("RENDER_SIDEBAR"));
  return s;
}

void runLaunchSequence(const LaunchSwitches& s, LaunchSteps& steps, Scheduler& scheduler, bool hotKeysEnabled) {
  steps.activate();
  steps.reportDamagedSettings();
  if (s.openTarget) scheduler.after(LaunchDelays::open, [&steps, target = *s.openTarget] { steps.openTarget(target); });
  if (s.domDump) scheduler.after(LaunchDelays::domDump, [&steps] { steps.runDomDump(); });
  if (s.editTest) scheduler.after(LaunchDelays::editTest, [&steps] { steps.runEditTest(); });
  if (s.tutorial) steps.runTutorial();
  if (s.renderAll) scheduler.after(LaunchDelays::render, [&steps] { steps.renderAll(); });
  if (s.renderSheets) scheduler.after(LaunchDelays::render, [&steps] { steps.renderSheets(); });
  if (s.renderSettings) scheduler.after(LaunchDelays::render, [&steps] { steps.renderSettings(); });
  if (s.renderSidebar) scheduler.after(LaunchDelays::renderSidebar, [&steps] { steps.renderSidebar(); });
  steps.attachWindowMemory();
  if (!s.diagnostic()) scheduler.after(LaunchDelays::searchIndex, [&steps] { steps.indexForSearch(); });
  steps.installShortcuts();
  const bool registerKeys = !s.diagnostic() && hotKeysEnabled;
  // The self-check is offline: it asks the service for no update and shows the
  // desktop no notification.
  const bool offline = s.selfTest;
  steps.afterFirstPage([&steps, registerKeys, offline] {
    if (!offline) steps.setUpNotifications();
    steps.warmUpRecognition();
    if (!offline) steps.checkForUpdateIfDue();
    steps.startBackgroundServices();
    steps.setUpHotKeys(registerKeys);
    steps.startDiagnostics();
  });
}

struct FirstPageGate::State {
  std::function<void()> rest;
  sigc::connection watch;
  bool sawLoading = false;
  bool done = false;
};

FirstPageGate::FirstPageGate(const detail::PublishedValue<bool>& loading, Scheduler& scheduler, double cap,
                             std::function<void()> rest)
    : state_(std::make_shared<State>()) {
  state_->rest = std::move(rest);
  state_->sawLoading = loading.get();
  std::weak_ptr<State> weak = state_;
  // Runs on a later turn: the page's own handlers finish first.
  auto release = [weak, &scheduler] {
    auto st = weak.lock();
    if (!st || st->done) return;
    st->done = true;
    st->watch.disconnect();
    scheduler.after(0, [weak] {
      if (auto st = weak.lock(); st && st->rest) std::exchange(st->rest, nullptr)();
    });
  };
  state_->watch = loading.changed().connect([weak, &loading, release] {
    auto st = weak.lock();
    if (!st) return;
    if (loading.get())
      st->sawLoading = true;
    else if (st->sawLoading)
      release();
  });
  scheduler.after(cap, release);
}

FirstPageGate::~FirstPageGate() { state_->watch.disconnect(); }

std::string OpenedItems::filesHint() const {
  if (files.empty()) return {};
  return "拖入任务栏图标的 " + std::to_string(files.size()) + " 个文件";
}

OpenedItems partitionOpened(const std::vector<std::string>& uris) {
  OpenedItems items;
  for (const auto& uri : uris) {
    std::string scheme = uri.substr(0, uri.find(':'));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    if (uri.find(':') != std::string::npos && scheme == "file")
      items.files.push_back(uri);
    else
      items.links.push_back(uri);
  }
  return items;
}

void askBeforeStaging(Dialogs& dialogs, const std::vector<std::string>& paths, std::function<void()> stage) {
  if (paths.empty()) return;
  constexpr size_t kNamed = 10;
  std::string list;
  for (size_t i = 0; i < paths.size() && i < kNamed; ++i) list += "\n" + paths[i];
  if (paths.size() > kNamed) list += "\n……等共 " + std::to_string(paths.size()) + " 个文件";
  const std::string text = "以下本机文件被交给了墨衡台，要打开快速归档准备上传吗？" + list;
  dialogs.alert("上传这些文件？", text, {"打开快速归档", "取消"}, [stage = std::move(stage), count = paths.size()](int answer) {
    if (answer == 0) {
      stage();
      return;
    }
    logLine(tags::kArchive, "未打开快速归档：交来的 " + std::to_string(count) + " 个文件未上传");
  });
}

bool isAbsoluteAddress(const std::string& target) {
  auto colon = target.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    unsigned char c = target[i];
    bool ok = std::isalpha(c) || (i > 0 && (std::isdigit(c) || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

void reportDamagedSettings(const UserDefaults& defaults, Dialogs& dialogs, const std::string& server) {
  auto damage = defaults.damage();
  if (!damage) return;
  if (damage->keptAs)
    dialogs.alert("设置文件已损坏", "设置文件无法读取，已另存为：\n" + damage->keptAs->string() +
                                         "\n现在使用默认设置，服务器：" + server + "。");
  else
    dialogs.alert("设置文件已损坏", "设置文件无法读取，也未能另存，已原样保留：\n" + damage->file.string() +
                                         "\n本次使用默认设置（服务器：" + server + "），设置不会保存。");
}

void runTutorialSequence(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                         Scheduler& scheduler) {
  struct Step {
    double at;
    Published<bool> WorkspaceViewState::*flag;
    bool value;
  };
  scheduler.after(0.5, [model] { model->loadInActive("/dashboard"); });
  const Step steps[] = {
      {7, &WorkspaceViewState::showSettings, true},  {14, &WorkspaceViewState::showSettings, false},
      {15, &WorkspaceViewState::showPalette, true},  {22, &WorkspaceViewState::showPalette, false},
      {23, &WorkspaceViewState::showShortcuts, true}, {30, &WorkspaceViewState::showShortcuts, false},
      {31, &WorkspaceViewState::showTodo, true},     {38, &WorkspaceViewState::showTodo, false},
      {39, &WorkspaceViewState::showMirror, true},   {47, &WorkspaceViewState::showMirror, false},
  };
  for (const auto& step : steps)
    scheduler.after(step.at, [view, flag = step.flag, value = step.value] { ((*view).*flag).setIfChanged(value); });
  logLine(tags::kTutorial, "教程序列开始");
}

}  // namespace quorvel
