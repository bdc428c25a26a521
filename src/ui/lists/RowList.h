#pragma once
// A list of rows that makes widgets only for the rows on screen and reuses them as the
// list scrolls: a one-column Gtk::GridView over a store of plain values (the toolkit's
// list view of this version keeps 200 rows built whatever the height; its grid view
// only the rows around the screen). The store takes a new
// list as a few splices (ui/model/ListEdits), so a refresh or a filter changes rows
// instead of rebuilding the view; a row widget is built once and shown a value by
// bind().
#include <giomm/liststore.h>
#include <gtkmm/listitem.h>
#include <gtkmm/gridview.h>
#include <gtkmm/noselection.h>
#include <gtkmm/signallistitemfactory.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/model/ListEdits.h"

namespace quorvel {

// One row's value in the store.
template <class T>
class RowItem : public Glib::Object {
 public:
  static Glib::RefPtr<RowItem> create(T value) { return Glib::make_refptr_for_instance(new RowItem(std::move(value))); }
  const T& value() const { return value_; }
  // An equal value in new storage; nothing on screen changes (RowStore only).
  void rebase(T value) { value_ = std::move(value); }

 private:
  explicit RowItem(T value) : value_(std::move(value)) {}
  T value_;
};

// The values shown, with the key of each (equal keys: nothing to redraw).
template <class T>
class RowStore {
 public:
  using KeyOf = std::function<std::string(const T&)>;
  // `rebaseKept`: rows that stay take the new list's value too, for values that point
  // into a list shared by all rows, so an older list is let go at once.
  explicit RowStore(KeyOf keyOf, bool rebaseKept = false)
      : keyOf_(std::move(keyOf)), store_(Gio::ListStore<RowItem<T>>::create()), rebaseKept_(rebaseKept) {}

  // Makes the store hold `values`, by splices of the runs that differ. Returns the
  // number of splices (0: nothing changed).
  std::size_t assign(const std::vector<T>& values) {
    std::vector<std::string> keys;
    keys.reserve(values.size());
    for (const auto& v : values) keys.push_back(keyOf_(v));
    return assign(values, std::move(keys));
  }
  // The same with the values' keys made by the caller (kept from an earlier list).
  std::size_t assign(const std::vector<T>& values, std::vector<std::string> keys) {
    const auto edits = listEdits(keys_, keys);
    for (const auto& e : edits) {
      std::vector<Glib::RefPtr<RowItem<T>>> added;
      added.reserve(e.added);
      for (std::size_t k = e.firstAdded; k < e.firstAdded + e.added; ++k) added.push_back(RowItem<T>::create(values[k]));
      store_->splice(static_cast<guint>(e.position), static_cast<guint>(e.removed), added);
    }
    keys_ = std::move(keys);
    splices_ += edits.size();
    if (rebaseKept_)
      for (std::size_t i = 0; i < values.size(); ++i) store_->get_item(static_cast<guint>(i))->rebase(values[i]);
    return edits.size();
  }

  std::size_t size() const { return keys_.size(); }
  const T& at(std::size_t i) const { return store_->get_item(static_cast<guint>(i))->value(); }
  const Glib::RefPtr<Gio::ListStore<RowItem<T>>>& model() const { return store_; }
  // Splices made since the store was made (tests, the benchmark).
  std::size_t splices() const { return splices_; }

 private:
  KeyOf keyOf_;
  std::vector<std::string> keys_;
  Glib::RefPtr<Gio::ListStore<RowItem<T>>> store_;
  std::size_t splices_ = 0;
  bool rebaseKept_ = false;
};

// What every row widget knows of its place: the position it shows now (it moves when
// rows before it come or go, without a new bind), -1 while it shows none.
class ListRow {
 public:
  int position() const {
    if (!item_ || !item_->get_item()) return -1;
    return static_cast<int>(item_->get_position());
  }
  void attachListItem(Gtk::ListItem* item) { item_ = item; }

 private:
  Gtk::ListItem* item_ = nullptr;
};

// The row widget W (a ListRow) of a list: built once by `make`, then W::bind(value)
// each time it shows another row. The list item is neither selectable nor activatable:
// the rows' own gestures and buttons act.
template <class T, class W>
Glib::RefPtr<Gtk::SignalListItemFactory> rowFactory(std::function<W*()> make) {
  auto factory = Gtk::SignalListItemFactory::create();
  factory->signal_setup().connect([make](const Glib::RefPtr<Gtk::ListItem>& item) {
    item->set_activatable(false);
    item->set_selectable(false);
    W* widget = make();
    widget->attachListItem(item.get());
    item->set_child(*widget);
  });
  factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
    auto row = std::dynamic_pointer_cast<RowItem<T>>(item->get_item());
    auto* widget = dynamic_cast<W*>(item->get_child());
    if (row && widget) widget->bind(row->value());
  });
  // A row widget that holds on to its value lets it go once it shows none.
  if constexpr (requires(W& w) { w.unbind(); })
    factory->signal_unbind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
      if (auto* widget = dynamic_cast<W*>(item->get_child())) widget->unbind();
    });
  return factory;
}

// The plain look and the class; defined once for every row list.
void preparePlainRowList(Gtk::GridView& view, const char* cssClass);

// A list view over the store with row widgets W, styled plain (the rows draw their own
// cards): class `cssClass` on the view.
template <class T, class W>
Gtk::GridView* makeRowListView(const RowStore<T>& store, std::function<W*()> make, const char* cssClass) {
  auto* view = Gtk::make_managed<Gtk::GridView>(Gtk::NoSelection::create(store.model()), rowFactory<T, W>(make));
  view->set_min_columns(1);
  view->set_max_columns(1);
  preparePlainRowList(*view, cssClass);
  return view;
}

// The row widgets the view holds now (the rows on screen and a few beyond), each with
// the position it shows.
template <class W>
std::vector<std::pair<unsigned, W*>> boundRows(Gtk::Widget& view) {
  std::vector<std::pair<unsigned, W*>> out;
  for (auto* child = view.get_first_child(); child; child = child->get_next_sibling())
    if (auto* row = dynamic_cast<W*>(child->get_first_child()); row && row->position() >= 0)
      out.emplace_back(static_cast<unsigned>(row->position()), row);
  return out;
}

// The row widgets of a list view, counted as a user's screen holds them (tests).
int rowWidgetCount(Gtk::Widget& view);

}  // namespace quorvel
