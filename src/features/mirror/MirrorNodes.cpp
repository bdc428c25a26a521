#include "features/mirror/MirrorNodes.h"

#include <array>

#include "core/RecordsSax.h"

namespace quorvel {

namespace {

// The reply read straight into nodes as the parser walks it: no tree of the whole
// reply is built. Where a key repeats, its last value counts, as in a parsed object.
class NodesReader : public RecordsSax {
 public:
  std::optional<MirrorNodes> result() {
    if (!topObject_ || ok_ != State::good || lists_[0] != State::good || lists_[1] != State::good) return std::nullopt;
    return std::move(nodes_);
  }

  bool onOther() override { return scalar(); }
  bool onBoolean(bool v) override {
    if (!skip_ && depth_ == 1 && key_ == Key::ok) {
      nodes_.ok = v;
      ok_ = State::good;
      return true;
    }
    return scalar();
  }
  bool onInteger(long long v) override {
    if (inElement() && field_ >= 0 && integerField(field_)) {
      *integerField(field_) = v;
      fieldGood(true);
      return true;
    }
    return scalar();
  }
  bool onText(string_t& v) override {
    if (inElement() && field_ >= 0 && textField(field_)) {
      *textField(field_) = std::move(v);
      fieldGood(true);
      return true;
    }
    return scalar();
  }

  bool enterObject() override {
    if (depth_ != 2) return markWrongType(), false;
    if (list() == 0) contract_ = MirrorNode{};
    else client_ = MirrorClientNode{};
    fields_ = {};
    return true;
  }
  void leftObject() override {
    if (depth_ != 2) return;
    for (bool good : fields_)
      if (!good) lists_[list()] = State::bad;
    if (list() == 0) nodes_.contracts.push_back(std::move(contract_));
    else nodes_.clients.push_back(std::move(client_));
  }
  bool enterArray() override {
    if (depth_ != 1 || list() < 0) return markWrongType(), false;
    if (list() == 0) nodes_.contracts.clear();
    else nodes_.clients.clear();
    lists_[list()] = State::good;
    return true;
  }
  bool key(string_t& k) override {
    if (skip_) return true;
    if (depth_ == 1) {
      key_ = k == "ok" ? Key::ok : k == "contracts" ? Key::contracts : k == "clients" ? Key::clients : Key::other;
    } else if (depth_ == 3) {
      static const char* const contractKeys[] = {"id", "no", "clients", "procs"};
      static const char* const clientKeys[] = {"id", "name", "contract", "procs"};
      const char* const* names = list() == 0 ? contractKeys : clientKeys;
      field_ = -1;
      for (int i = 0; i < 4; ++i)
        if (k == names[i]) field_ = i;
    }
    return true;
  }
 private:
  enum class State { absent, good, bad };
  enum class Key { other, ok, contracts, clients };

  // The list of the current top-level key: 0 contracts, 1 clients, -1 none.
  int list() const { return key_ == Key::contracts ? 0 : key_ == Key::clients ? 1 : -1; }
  bool inElement() const { return !skip_ && depth_ == 3; }
  std::string* textField(int f) {
    if (list() == 0) return f == 1 ? &contract_.no : nullptr;
    return f == 1 ? &client_.name : f == 2 ? &client_.contract : nullptr;
  }
  long long* integerField(int f) {
    if (list() == 0) return f == 0 ? &contract_.id : f == 2 ? &contract_.clients : f == 3 ? &contract_.procs : nullptr;
    return f == 0 ? &client_.id : f == 3 ? &client_.procs : nullptr;
  }
  void fieldGood(bool good) {
    fields_[static_cast<std::size_t>(field_)] = good;
    field_ = -1;
  }
  // A value of no use here: the key it belongs to (a top-level one, a list's element,
  // an element's field) is then of the wrong type.
  bool scalar() {
    if (skip_) return true;
    markWrongType();
    return true;
  }
  void markWrongType() {
    if (depth_ == 1) {
      if (key_ == Key::ok) ok_ = State::bad;
      else if (list() >= 0) lists_[list()] = State::bad;
    } else if (depth_ == 2) {
      lists_[list()] = State::bad;
    } else if (depth_ == 3 && field_ >= 0) {
      fieldGood(false);
    }
  }

  MirrorNodes nodes_;
  MirrorNode contract_;
  MirrorClientNode client_;
  State ok_ = State::absent;
  std::array<State, 2> lists_{};
  std::array<bool, 4> fields_{};
  // depth_ 1: the reply's keys, 2: a list, 3: an element's keys.
  Key key_ = Key::other;
  int field_ = -1;
};

}  // namespace

std::optional<MirrorNodes> decodeMirrorNodes(const std::string& bytes) {
  NodesReader reader;
  if (!nlohmann::json::sax_parse(bytes, &reader)) return std::nullopt;
  return reader.result();
}

}  // namespace quorvel
