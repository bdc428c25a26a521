#pragma once
// Serves our search index to the desktop's search (the GNOME Shell search-provider
// interface, org.gnome.Shell.SearchProvider2) on the application's bus connection.
// Result identifiers are the items' links; picking a result hands its link on.
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SearchIndexStore.h"

namespace quorvel {

class SearchProvider {
 public:
  static constexpr const char* kInterface = "org.gnome.Shell.SearchProvider2";
  static constexpr const char* kObjectPath = "/cn/quorvel/client/SearchProvider";
  // Results handed to the desktop for one search; it shows only a few of them.
  static constexpr size_t kMaxResults = 50;

  using ActivateHandler = std::function<void(const std::string& url)>;
  using LaunchSearchHandler = std::function<void(const std::vector<std::string>& terms)>;

  // `iconName`: the themed icon shown beside every result (the application's).
  SearchProvider(std::shared_ptr<SearchIndexStore> store, std::string iconName);
  ~SearchProvider();
  SearchProvider(const SearchProvider&) = delete;
  SearchProvider& operator=(const SearchProvider&) = delete;

  // A picked result: called with the item's link, only for identifiers in the index.
  void setActivateHandler(ActivateHandler handler);
  // "Search in the application" with the desktop's terms.
  void setLaunchSearchHandler(LaunchSearchHandler handler);
  // Asked at every search: while it says no (the workspace is locked, or not there
  // yet), searches find nothing and no result is described. Without one, all are.
  void setAnswering(std::function<bool()> answering);

  // Registers the object at `path` on `connection` (the application's, from its
  // D-Bus registration); false, with the reason logged, when that fails.
  bool exportOn(GDBusConnection* connection, const std::string& path = kObjectPath);
  void unexport();
  bool exported() const { return registration_ != 0; }

  // The store and handlers, shared with the calls being answered.
  struct State;

 private:
  std::shared_ptr<State> state_;
  GDBusConnection* connection_ = nullptr;
  guint registration_ = 0;
};

}  // namespace quorvel
