#include "platform/UserDefaults.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/LogTags.h"
#include "platform/FileOps.h"
#include "platform/XdgDirs.h"

namespace quorvel {
namespace fs = std::filesystem;

fs::path UserDefaults::standardFile() { return xdg::configHome() / "Quorvel" / "defaults.json"; }

UserDefaults::UserDefaults(fs::path file, FileWrite write)
    : file_(std::move(file)),
      writer_(std::move(write), [](const fs::path& target, bool, bool written, const std::string&) {
            if (!written) logLine(tags::kSettings, "设置写入失败：" + target.string(), LogLevel::warning);
          }) {}

UserDefaults::~UserDefaults() {
  scope_.end();
  flush();
}

void UserDefaults::scheduleSaveLocked() {
  dirty_ = true;
  if (saveScheduled_) return;
  saveScheduled_ = true;
  // A burst of writes in one turn of the main loop becomes one write of the file.
  postToMain(scope_.guard([this] { save(); }));
}

void UserDefaults::save() {
  std::lock_guard lock(mutex_);
  saveScheduled_ = false;
  if (!dirty_) return;
  dirty_ = false;
  // A damaged file that could not be moved aside stays as it is.
  if (damage_ && !damage_->keptAs) return;
  // Handed over under the lock: snapshots reach the writer in the order they were taken.
  writer_.write(file_, data_.dump(2));
}

void UserDefaults::flush() {
  save();
  writer_.wait();
}

void UserDefaults::loadLocked() const {
  if (loaded_) return;
  loaded_ = true;
  data_ = nlohmann::json::object();
  std::error_code ec;
  if (!fs::exists(file_, ec)) return;
  std::ifstream in(file_, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  auto parsed = nlohmann::json::parse(ss.str(), nullptr, false);
  if (!parsed.is_discarded() && parsed.is_object()) {
    data_ = std::move(parsed);
    return;
  }
  // Keep the damaged file for the user instead of overwriting it, under a name no
  // earlier damaged file has.
  const std::string stamp = FileOps::localStamp();
  Damage damage{file_, std::nullopt, std::nullopt};
  int err = EEXIST;
  for (int n = 1; err == EEXIST && n <= 100; ++n) {
    fs::path aside = file_;
    aside += std::string(".damaged-") + stamp + (n > 1 ? "-" + std::to_string(n) : "");
    err = FileOps::moveNoReplace(file_, aside);
    if (err == 0) damage.keptAs = aside;
  }
  if (damage.keptAs) {
    logLine(tags::kSettings, "设置文件无法解析，已另存为 " + damage.keptAs->string(), LogLevel::warning);
  } else {
    damage.error = AppError(errors::kFile, err, FileOps::errorText(err));
    logLine(tags::kSettings, "设置文件无法解析，另存失败（" + damage.error->message + "），本次不写入设置文件",
            LogLevel::warning);
  }
  damage_ = std::move(damage);
}

std::optional<UserDefaults::Damage> UserDefaults::damage() const {
  std::lock_guard lock(mutex_);
  loadLocked();
  return damage_;
}

std::optional<nlohmann::json> UserDefaults::object(const std::string& key) const {
  std::lock_guard lock(mutex_);
  loadLocked();
  auto it = data_.find(key);
  if (it == data_.end()) return std::nullopt;
  return *it;
}

std::optional<std::string> UserDefaults::string(const std::string& key) const {
  auto v = object(key);
  if (!v || !v->is_string()) return std::nullopt;
  return v->get<std::string>();
}

std::optional<long long> UserDefaults::integer(const std::string& key) const {
  auto v = object(key);
  if (!v || !(v->is_number_integer() || v->is_number_unsigned())) return std::nullopt;
  return v->get<long long>();
}

std::optional<double> UserDefaults::number(const std::string& key) const {
  auto v = object(key);
  if (!v || !v->is_number()) return std::nullopt;
  return v->get<double>();
}

std::optional<bool> UserDefaults::boolean(const std::string& key) const {
  auto v = object(key);
  if (!v || !v->is_boolean()) return std::nullopt;
  return v->get<bool>();
}

bool UserDefaults::firstWarning(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return warned_.insert(key).second;
}

void UserDefaults::set(const std::string& key, nlohmann::json value) {
  std::lock_guard lock(mutex_);
  loadLocked();
  data_[key] = std::move(value);
  scheduleSaveLocked();
}

void UserDefaults::remove(const std::string& key) {
  std::lock_guard lock(mutex_);
  loadLocked();
  if (data_.erase(key) > 0) scheduleSaveLocked();
}

bool writeFileAtomically(const fs::path& target, const std::string& bytes) {
  fs::path tmp = target;
  tmp += ".tmp-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const char* p = bytes.data();
  size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

}  // namespace quorvel
