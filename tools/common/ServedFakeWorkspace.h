#pragma once
// The render tools' workspace over stand-in pages, with the local test service started
// and set as the server: the forms that read the service see its demo data.
#include <memory>

#include "TestService.h"
#include "core/BrowserModel.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

namespace quorvel::tools {

struct ServedFakeWorkspace {
  ServedFakeWorkspace() {
    service.start();
    defaults.set("serverURL", service.baseUrl());
  }
  test::TestService service;
  UserDefaults defaults{UserDefaults::standardFile()};
  test::FakePages pages{defaults};
  std::shared_ptr<BrowserModel> model = test::freshFakeModel(pages);
};

}  // namespace quorvel::tools
