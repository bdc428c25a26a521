#include "platform/engines/EnginePool.h"

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>


namespace quorvel::engines {
namespace {
tesseract::TessBaseAPI* makeEngine(const std::string& languages) {
  auto* api = new tesseract::TessBaseAPI();
  std::string data = EnginePool::dataPath();
  if (api->Init(data.empty() ? nullptr : data.c_str(), languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
    moduleLog("识别引擎初始化失败（缺少语言数据 " + languages + "）", true);
    delete api;
    return nullptr;
  }
  // Warnings about guessed resolutions and the like would flood the console.
  api->SetVariable("debug_file", "/dev/null");
  return api;
}
}  // namespace

EnginePool::EnginePool(unsigned capacity, std::string languages)
    : languages_(std::move(languages)), capacity_(std::max(1u, capacity)) {}

EnginePool::~EnginePool() {
  std::lock_guard lock(mutex_);
  for (auto* api : idle_) {
    api->End();
    delete api;
  }
}

std::string EnginePool::dataPath() {
  if (const char* env = std::getenv("TESSDATA_PREFIX"); env && *env) return env;
  for (const char* dir : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                          "/usr/share/tessdata", "/usr/local/share/tessdata"}) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(dir) / "chi_sim.traineddata", ec)) return dir;
  }
  return {};
}

EnginePool::Lease EnginePool::checkout() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [&] { return !idle_.empty() || live_ < capacity_; });
  if (!idle_.empty()) {
    auto* api = idle_.back();
    idle_.pop_back();
    return Lease(this, api);
  }
  ++live_;
  lock.unlock();
  // Initialised outside the lock: other callers may take returned engines meanwhile.
  auto* api = makeEngine(languages_);
  if (!api) {
    std::lock_guard again(mutex_);
    --live_;
    returned_.notify_one();
  }
  return Lease(this, api);
}

void EnginePool::giveBack(tesseract::TessBaseAPI* api) {
  {
    std::lock_guard lock(mutex_);
    if (live_ > capacity_) {
      --live_;
      api->End();
      delete api;
    } else {
      api->Clear();
      idle_.push_back(api);
    }
  }
  returned_.notify_one();
}

EnginePool::Lease::~Lease() {
  if (api_) pool_->giveBack(api_);
}

void EnginePool::setCapacity(unsigned capacity) {
  std::vector<tesseract::TessBaseAPI*> surplus;
  {
    std::lock_guard lock(mutex_);
    capacity_ = std::max(1u, capacity);
    while (live_ > capacity_ && !idle_.empty()) {
      surplus.push_back(idle_.back());
      idle_.pop_back();
      --live_;
    }
  }
  for (auto* api : surplus) {
    api->End();
    delete api;
  }
  returned_.notify_all();
}

unsigned EnginePool::capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

unsigned EnginePool::engines() const {
  std::lock_guard lock(mutex_);
  return live_;
}

}  // namespace quorvel::engines
