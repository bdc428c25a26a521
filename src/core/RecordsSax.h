#pragma once
// The value events of a streaming JSON parse funnelled into a few hooks, for readers
// that decode a large reply straight into records instead of a tree of it.
#include <nlohmann/json.hpp>

#include <string>

namespace quorvel {

class RecordsSax : public nlohmann::json_sax<nlohmann::json> {
 public:
  bool null() override { return onNull(); }
  bool boolean(bool v) override { return onBoolean(v); }
  bool number_integer(number_integer_t v) override { return onInteger(static_cast<long long>(v)); }
  bool number_unsigned(number_unsigned_t v) override { return onInteger(static_cast<long long>(v)); }
  bool number_float(number_float_t, const string_t&) override { return onOther(); }
  bool string(string_t& v) override { return onText(v); }
  bool binary(binary_t&) override { return onOther(); }
  // Text that is no JSON ends the parse: the reader's result is not asked for.
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

  // Objects and arrays the reader keeps are entered (depth_ counts them); any other
  // nested value is walked over whole, its values reaching no hook.
  bool start_object(std::size_t) override {
    if (skip_) return ++skip_, true;
    if (depth_ == 0) topObject_ = true;
    else if (!enterObject()) return skip_ = 1, true;
    ++depth_;
    return true;
  }
  bool end_object() override {
    if (skip_) return --skip_, true;
    --depth_;
    leftObject();
    return true;
  }
  bool start_array(std::size_t) override {
    if (skip_) return ++skip_, true;
    // A reply that is no object at all: result() says so.
    if (depth_ == 0 || !enterArray()) return skip_ = 1, true;
    ++depth_;
    return true;
  }
  bool end_array() override {
    if (skip_) return --skip_, true;
    --depth_;
    leftArray();
    return true;
  }

 protected:
  // Whether the object or array starting at depth_ (1 or more) is kept; one that is not
  // is of the wrong type where it stands, as the reader notes.
  virtual bool enterObject() = 0;
  virtual bool enterArray() = 0;
  // Called with depth_ back at the level the object or array stood at.
  virtual void leftObject() {}
  virtual void leftArray() {}
  // A value no other hook takes: of the wrong type wherever it stands.
  virtual bool onOther() = 0;
  virtual bool onNull() { return onOther(); }
  virtual bool onBoolean(bool) { return onOther(); }
  virtual bool onInteger(long long) { return onOther(); }
  virtual bool onText(string_t&) { return onOther(); }

  bool topObject_ = false;  // the reply is an object
  int depth_ = 0;           // of the kept objects and arrays around the current value
  int skip_ = 0;            // nesting depth of a value walked over
};

}  // namespace quorvel
