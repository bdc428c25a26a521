// The top bar's navigation buttons with real web views against the test service.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "ServiceTabFixture.h"
#include "base/MainQueue.h"
#include "ui/main/WorkspaceTopBar.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {
class TopBarWebTest : public ServiceTabFixture {};
void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }
}  // namespace

TEST_F(TopBarWebTest, BackForwardAndReloadDriveTheActivePage) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  WorkspaceTopBar bar(model, viewState);
  EXPECT_TRUE(bar.backButton().disabled());

  model->loadInActive("/cases");
  ASSERT_TRUE(waitLoaded(tab, "/cases"));
  EXPECT_FALSE(bar.backButton().disabled());
  EXPECT_TRUE(bar.forwardButton().disabled());

  click(bar.backButton());
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  EXPECT_EQ(model->activePath().get(), "/dashboard");
  EXPECT_FALSE(bar.forwardButton().disabled());

  click(bar.forwardButton());
  ASSERT_TRUE(waitLoaded(tab, "/cases"));
  const size_t before = service.requestsTo("/cases").size();
  TabLoadWatch reload(tab);
  click(bar.reloadButton());
  ASSERT_TRUE(reload.wait("/cases"));
  EXPECT_GT(service.requestsTo("/cases").size(), before);

  // A hibernated active tab: the buttons do nothing.
  model->hibernate(tab);
  click(bar.reloadButton());
  click(bar.backButton());
  EXPECT_EQ(tab->webView(), nullptr);
  EXPECT_TRUE(bar.backButton().disabled());
}
