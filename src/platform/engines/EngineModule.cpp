// The engines module's table of entry points (see EngineApi.h).
#include "platform/ocr/EngineApi.h"
#include "platform/engines/EnginePool.h"
#include "platform/engines/PopplerDocument.h"
#include "platform/engines/Recognition.h"
#include "platform/engines/SearchablePdfWriter.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace quorvel::engines {
namespace {
std::atomic<void (*)(const std::string&, bool)> logger{nullptr};
}  // namespace

void moduleLog(const std::string& line, bool error) {
  if (auto* log = logger.load()) log(line, error);
  else std::fprintf(stderr, "%s\n", line.c_str());
}

namespace {
EnginePool& pool(void* p) { return *static_cast<EnginePool*>(p); }

const EngineApi kApi{
    [](void (*log)(const std::string&, bool)) { logger.store(log); },
    [](const std::string& languages) -> void* {
      return new EnginePool(std::min(4u, std::max(1u, std::thread::hardware_concurrency())), languages);
    },
    [](void* p) { delete static_cast<EnginePool*>(p); },
    [](void* p) { return pool(p).capacity(); },
    [](void* p, unsigned capacity) { pool(p).setCapacity(capacity); },
    [](void* p) { return pool(p).engines(); },
    [](void* p) { return static_cast<bool>(pool(p).checkout()); },
    [](void* p, const Bitmap& bitmap, const RecognitionOptions& options) { return recognise(pool(p), bitmap, options); },
    [] { return EnginePool::dataPath(); },
    openPdf,
    closePdf,
    pageCount,
    pageSize,
    renderPage,
    drawPage,
    writeSearchablePdf,
    writeImageSearchablePdf,
    restoreIdeographText,
};
}  // namespace

extern "C" __attribute__((visibility("default"))) const EngineApi* quorvel_engine_api() { return &kApi; }

}  // namespace quorvel::engines
