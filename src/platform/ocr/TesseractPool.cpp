#include "platform/ocr/TesseractPool.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/ocr/EngineModule.h"

namespace quorvel {

TesseractPool& TesseractPools::pool(const std::string& languages) {
  std::lock_guard lock(mutex_);
  auto& pool = pools_[languages];
  if (!pool) {
    const auto* api = engineApi();
    pool.reset(new TesseractPool(api ? api->makePool(languages) : nullptr, languages));
  }
  return *pool;
}

TesseractPool::~TesseractPool() {
  if (handle_) engineApi()->freePool(handle_);
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
