#pragma once
// Inside the engines module: recognition with a pool's engines (a large page is read
// in bands at once), and the text-only PDF page of a recognition.
#include "platform/engines/EnginePool.h"
#include "platform/ocr/TextRecognizer.h"

namespace quorvel::engines {

Recognition recognise(EnginePool& pool, const Bitmap& bitmap, const RecognitionOptions& options);

}  // namespace quorvel::engines
