#include "platform/ocr/TextRecognizer.h"

#include "platform/ocr/EngineModule.h"
#include "platform/ocr/TesseractPool.h"

namespace quorvel {

Recognition recognise(TesseractPools& pools, const Bitmap& bitmap, const RecognitionOptions& options) {
  return recognise(pools.pool(options.languages.empty() ? TesseractPool::kSimplified : options.languages), bitmap,
                   options);
}

Recognition recognise(TesseractPool& pool, const Bitmap& bitmap, const RecognitionOptions& options) {
  const auto* api = engineApi();
  if (!api || !pool.handle()) {
    return engineModuleError();
  }
  return api->recognise(pool.handle(), bitmap, options);
}

}  // namespace quorvel
