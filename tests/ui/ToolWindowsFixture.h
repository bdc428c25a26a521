#pragma once
// A main window whose root view opens the floating tool windows from the view state's
// flags, over stand-in pages; for the tests of the tool windows and their contents.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>
#include <string>

#include "TestEnv.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/ContentView.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel::test {

class ToolWindowsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    home.defaults().set("serverURL", "https://example.com");
    model = pages.model();
    main = std::make_unique<Gtk::Window>();
    main->set_child(*Gtk::make_managed<ContentView>(model, viewState, manager, nullptr));
    main->present();
    drainMainLoop();
  }
  void TearDown() override {
    manager.reset();
    main.reset();
    model.reset();
    drainMainLoop();
  }
  // The window `name` once it is on screen and placed (null when it never came).
  Gtk::Window* shown(const std::string& name) {
    runMainLoopUntil([&] {
      auto* w = manager.window(name);
      return w && w->get_mapped() && manager.placed(name);
    }, 3000);
    return manager.window(name);
  }

  TempHome home;
  FloatingWindowManager manager{home.defaults()};
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  std::unique_ptr<Gtk::Window> main;
};

}  // namespace quorvel::test
