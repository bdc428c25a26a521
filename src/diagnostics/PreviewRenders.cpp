#include "diagnostics/PreviewRenders.h"

#include <glibmm/datetime.h>
#include <gtkmm/scrolledwindow.h>
#include <gtk/gtk.h>
#include <gtkmm/settings.h>

#include <chrono>
#include <optional>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "diagnostics/PreviewSamples.h"
#include "diagnostics/Reports.h"
#include "diagnostics/rules/DiagnosticSamples.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "features/volume/LocalVolume.h"
#include "platform/OffscreenWindow.h"
#include "platform/WindowPlacement.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCaptureView.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/LockOverlayView.h"
#include "ui/mirror/MirrorSheet.h"
#include "ui/palette/CommandPaletteView.h"
#include "ui/palette/ShortcutsSheet.h"
#include "ui/recognition/ScreenOCRResultView.h"
#include "ui/todos/TodoSheet.h"

namespace quorvel::PreviewRenders {
namespace {

// Time for what a view starts when it comes on screen (a count, a read that fails
// without a page) to land before it is drawn.
constexpr unsigned kSettleMs = 300;

void settle() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMs);
  runMainLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, kSettleMs + 100);
}

// The light theme and colour scheme for the renders, whatever the desktop sets: a dark
// preference or theme name in its settings, or a theme forced through GTK_THEME (which
// outranks both settings and is lifted while the render draws). Main thread only.
class ScopedLightAppearance {
 public:
  ScopedLightAppearance() {
    if (const char* forced = g_getenv(kThemeVariable)) {
      forcedTheme_ = std::string(forced);
      g_unsetenv(kThemeVariable);
    }
    if ((settings_ = Gtk::Settings::get_default())) {
      previousDark_ = settings_->property_gtk_application_prefer_dark_theme().get_value();
      previousTheme_ = settings_->property_gtk_theme_name().get_value();
      settings_->property_gtk_application_prefer_dark_theme().set_value(false);
      // Each change reloads the theme, now without the variable.
      settings_->property_gtk_theme_name().set_value(kLightTheme);
    }
  }
  ~ScopedLightAppearance() {
    if (forcedTheme_) g_setenv(kThemeVariable, forcedTheme_->c_str(), TRUE);
    if (settings_) {
      settings_->property_gtk_application_prefer_dark_theme().set_value(previousDark_);
      settings_->property_gtk_theme_name().set_value(previousTheme_);
    }
  }
  ScopedLightAppearance(const ScopedLightAppearance&) = delete;
  ScopedLightAppearance& operator=(const ScopedLightAppearance&) = delete;

 private:
  static constexpr const char* kLightTheme = "Adwaita";
  static constexpr const char* kThemeVariable = "GTK_THEME";
  std::optional<std::string> forcedTheme_;
  Glib::RefPtr<Gtk::Settings> settings_;
  bool previousDark_ = false;
  Glib::ustring previousTheme_;
};

// Far outside every screen: the render window is mapped (so it lays out and paints)
// but never seen, and no window manager places or decorates it.
constexpr int kOffscreenOrigin = -6000;

// Makes the host's window override-redirect and keeps it off screen, before and after
// it is mapped. False where there is no X11 window to move (it is then shown as is).
bool keepOffScreen(Gtk::Window& window, int width, int height) {
  GtkWidget* widget = GTK_WIDGET(window.gobj());
  g_object_set_data(G_OBJECT(widget), OffscreenWindow::kObjectDataKey, GINT_TO_POINTER(1));
  gtk_widget_realize(widget);
  X11Window x11 = x11WindowOf(gtk_native_get_surface(GTK_NATIVE(widget)));
  if (!x11.display) return false;
  OffscreenWindow::makeOverrideRedirect(x11.display, x11.xid);
  OffscreenWindow::place(x11.display, x11.xid, kOffscreenOrigin, kOffscreenOrigin, width, height);
  window.signal_map().connect([x11, width, height] {
    OffscreenWindow::place(x11.display, x11.xid, kOffscreenOrigin, kOffscreenOrigin, width, height);
  });
  return true;
}

// The calendar sync shows a busy, folded sample state while the settings sheet is
// drawn; what it showed before comes back afterwards. Nothing is stored either way.
class ScopedCalendarSample {
 public:
  explicit ScopedCalendarSample(AppleCalendarSync& sync)
      : sync_(sync), config_(sync.config.get()), status_(sync.statusText.get()) {
    AppleCalendarSync::Config sample = config_;
    sample.enabled = true;
    sample.foldBusyDeadlines = true;
    sync_.showTransientState(sample, "日历 18 条（已智能折叠） · 提醒 99 条 · 10:25:12");
  }
  ~ScopedCalendarSample() { sync_.showTransientState(config_, status_); }
  ScopedCalendarSample(const ScopedCalendarSample&) = delete;
  ScopedCalendarSample& operator=(const ScopedCalendarSample&) = delete;

 private:
  AppleCalendarSync& sync_;
  AppleCalendarSync::Config config_;
  std::string status_;
};

}  // namespace

Glib::RefPtr<Gdk::Texture> renderImage(Gtk::Widget& view, int width, int height, const std::function<void()>& shown) {
  ScopedLightAppearance light;
  WidgetRenderHost host(view, width, height);
  keepOffScreen(host.window(), width, height);
  if (!host.showAndWait()) return {};
  if (shown) shown();
  settle();
  host.waitForFrame();
  return host.render(view);
}

namespace {

// Draws `view` (managed; taken over) at width × height and writes it to `path`.
// `shown` runs once the view is on screen, before it is drawn.
void capture(Gtk::Widget& view, const Target& target, const std::function<void()>& shown = {}) {
  // A frame that neither grows with its content nor lets it out: the image has the
  // size asked for.
  auto* frame = Gtk::make_managed<Gtk::ScrolledWindow>();
  frame->set_policy(Gtk::PolicyType::EXTERNAL, Gtk::PolicyType::EXTERNAL);
  frame->set_size_request(target.width, target.height);
  frame->set_has_frame(false);
  view.set_hexpand(true);
  view.set_vexpand(true);
  frame->set_child(view);
  Glib::RefPtr<Gdk::Texture> texture = renderImage(*frame, target.width, target.height, shown);
  if (!texture) {
    logLine(tags::kRender, std::string("无法创建位图 ") + target.path, LogLevel::warning);
    return;
  }
  auto png = texture->save_to_png_bytes();
  gsize size = 0;
  const void* data = png ? png->get_data(size) : nullptr;
  if (!data || size == 0) {
    logLine(tags::kRender, std::string("无法编码 PNG ") + target.path, LogLevel::warning);
    return;
  }
  auto written = writeFileReplacingLinks(target.path, std::string(static_cast<const char*>(data), size));
  if (!written.ok()) {
    logLine(tags::kRender, std::string("写入失败 ") + target.path + "：" + describe(written.error()), LogLevel::warning);
    return;
  }
  logLine(tags::kRender, std::string("写入 ") + target.path + " (" + std::to_string(size) + "B)");
}

const Target& targetOf(View view) {
  for (const auto& t : targets())
    if (t.view == view) return t;
  return targets().front();
}

// What the top bar reads of the desktop; its buttons do nothing in a render.
TopBarTools readOnlyTools(const Services& services) {
  TopBarTools tools;
  auto& calendar = services.settings.integration.desktopCalendar;
  auto& volume = services.settings.volume;
  tools.desktopCalendarHasWindow = [&calendar] { return calendar.window() != nullptr; };
  tools.desktopCalendarVisible = [&calendar] { return calendar.isVisible.get(); };
  tools.volumeMounted = [&volume] { return volume.mountedRoot().has_value(); };
  tools.showDesktopCalendar = [] {};
  tools.hideDesktopCalendar = [] {};
  tools.openQuickArchive = [](const std::vector<std::string>&, const std::string&, bool) {};
  tools.captureAndAnalyze = [] {};
  tools.lockWorkspace = [] {};
  tools.switchAccount = [] {};
  return tools;
}

std::string sampleRecognizedText() {
  return std::string("案号：（2026）京01民初1234号\n开庭时间：2026年12月5日 09:30\n顺丰单号：") +
         DiagnosticSamples::kWaybillNumber + "\n北京市朝阳区人民法院第12法庭";
}

std::chrono::system_clock::time_point tomorrowAtThisTime() {
  auto now = Glib::DateTime::create_now_local();
  auto next = now.add_days(1);
  if (!next) return std::chrono::system_clock::now();
  return std::chrono::system_clock::time_point(
      std::chrono::microseconds(next.to_unix() * 1000000LL + next.get_microsecond()));
}

void renderOne(View view, const Services& services, PreviewSamples& samples) {
  const Target& target = targetOf(view);
  const auto& model = samples.model();
  switch (view) {
    case View::sidebar:
      return capture(*sampleSidebar(*model), target);
    case View::workspace:
      return capture(*sampleWorkspace(samples, readOnlyTools(services)), target);
    case View::settings: {
      ScopedCalendarSample sample(services.settings.integration.calendarSync);
      // Closed before the calendar sync shows its own state again.
      return capture(*Gtk::make_managed<SettingsView>(
                         model, [] {}, services.settings),
                     target);
    }
    case View::todo:
      // Coming up, the sheet refreshes the lists, which cannot be read without a page.
      return capture(*Gtk::make_managed<TodoSheet>(model, samples.view()), target,
                     [&samples] { samples.publishDeadlines(); });
    case View::mirror: {
      auto store = samples.mirror();
      // Coming up, the sheet reads the volume's state into the status line; the sample's
      // line comes back as a volume note would.
      return capture(*Gtk::make_managed<MirrorSheet>(store, model, std::function<void()>{}), target,
                     [store] { store->volumeChanged(PreviewSamples::kMirrorProgress); });
    }
    case View::palette:
      return capture(
          *Gtk::make_managed<CommandPaletteView>(CommandPalette::servicesOver(model, {}), CommandPalette::Actions{}),
          target);
    case View::shortcuts:
      return capture(*Gtk::make_managed<ShortcutsSheet>(), target);
    case View::quickCapture: {
      auto* form = Gtk::make_managed<QuickCaptureView>(model, "明天提交华盛科技案补充质证意见", std::nullopt, [] {});
      form->setDueDate(tomorrowAtThisTime());
      return capture(*form, target);
    }
    case View::archive:
      return capture(*Gtk::make_managed<QuickArchiveView>(
                         services.archive, model,
                         std::vector<std::filesystem::path>{"/tmp/起诉状副本.pdf", "/tmp/证据清单_01.docx"},
                         "拖入任务栏图标的 2 个文件", false, [] {}),
                     target);
    case View::ocr:
      return capture(*Gtk::make_managed<ScreenOCRResultView>(ScreenCaptureOCR::extractSignals(sampleRecognizedText())),
                     target);
    case View::lock:
      return capture(*Gtk::make_managed<LockOverlayView>(services.settings.integration.privacyLock), target);
  }
}

}  // namespace

const std::vector<Target>& targets() {
  static const std::vector<Target> list = {
      {View::sidebar, 232, 760, "/tmp/v2-sidebar.png"},     {View::workspace, 1180, 740, "/tmp/v2-workspace.png"},
      {View::settings, 660, 700, "/tmp/v2-settings.png"},   {View::todo, 840, 560, "/tmp/v2-todo.png"},
      {View::mirror, 880, 580, "/tmp/v2-mirror.png"},       {View::palette, 600, 460, "/tmp/v2-palette.png"},
      {View::shortcuts, 680, 470, "/tmp/v2-shortcuts.png"}, {View::quickCapture, 540, 270, "/tmp/v21-quickcapture.png"},
      {View::archive, 640, 500, "/tmp/v21-archive.png"},    {View::ocr, 540, 420, "/tmp/v21-ocr.png"},
      {View::lock, 800, 520, "/tmp/v21-lock.png"},
  };
  return list;
}

std::vector<View> allViews() {
  std::vector<View> views;
  for (const auto& t : targets()) views.push_back(t.view);
  return views;
}

std::vector<View> sheetViews() { return {View::todo, View::mirror, View::palette, View::shortcuts}; }

void render(const Services& services, const std::vector<View>& views) {
  ScopedLightAppearance light;
  ScopedAnimationsOff still;
  PreviewSamples samples(services.mirror);
  for (View view : views) renderOne(view, services, samples);
}

void renderAllAndExit(const Services& services, const std::function<void()>& quit) {
  render(services, allViews());
  logLine(tags::kRender, "全部 v2.1 视图已渲染到 /tmp/v2*.png");
  quit();
}

void renderSheetsAndExit(const Services& services, const std::function<void()>& quit) {
  render(services, sheetViews());
  quit();
}

void renderSettingsAndExit(const Services& services, const std::function<void()>& quit) {
  render(services, {View::settings});
  quit();
}

void renderSidebarAndExit(const Services& services, const std::function<void()>& quit) {
  render(services, {View::sidebar});
  quit();
}

}  // namespace quorvel::PreviewRenders
