#include "platform/ocr/TesseractPool.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/ocr/EngineModule.h"

namespace quorvel {

TesseractPool& TesseractPool::shared(const std::string& languages) {
  static std::mutex m;
  static std::map<std::string, std::unique_ptr<TesseractPool>> pools;
  std::lock_guard lock(m);
  auto& pool = pools[languages];
  if (!pool) {
    const auto* api = engineApi();
    pool.reset(new TesseractPool(api ? api->sharedPool(languages) : nullptr, languages));
  }
  return *pool;
}

void TesseractPool::setCapacity(unsigned capacity) {
  if (handle_) engineApi()->setPoolCapacity(handle_, capacity);
}

unsigned TesseractPool::capacity() const { return handle_ ? engineApi()->poolCapacity(handle_) : 1; }

unsigned TesseractPool::engines() const { return handle_ ? engineApi()->poolEngines(handle_) : 0; }

bool TesseractPool::warmUp() { return handle_ && engineApi()->warmPool(handle_); }

std::string TesseractPool::dataPath() {
  const auto* api = engineApi();
  return api ? api->dataPath() : std::string();
}

}  // namespace quorvel
