#pragma once
// Reads the display's clipboard as text, as a paste would. Header-only; for the ui and
// web test binaries.
#include <gdkmm/clipboard.h>
#include <gdkmm/display.h>
#include <giomm/asyncresult.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TestHelpers.h"

namespace quorvel::test {

inline std::string readClipboardText() {
  auto clip = Gdk::Display::get_default()->get_clipboard();
  // Shared with the callback: a read that answers after the wait gave up writes here.
  struct Read {
    std::string text;
    bool done = false;
  };
  auto read = std::make_shared<Read>();
  clip->read_text_async([clip, read](Glib::RefPtr<Gio::AsyncResult>& r) {
    try {
      read->text = clip->read_text_finish(r);
    } catch (const Glib::Error&) {
    }
    read->done = true;
  });
  EXPECT_TRUE(waitUntil([&] { return read->done; }, 3000));
  return read->text;
}

}  // namespace quorvel::test
