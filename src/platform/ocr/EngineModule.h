#pragma once
// Loads the engines module (recognition and PDF: Tesseract, Leptonica, poppler, qpdf)
// on first use, from beside the program or the build folder. Safe from any thread.
#include "base/AppError.h"
#include "platform/ocr/EngineApi.h"

namespace quorvel {

// The module's table; null when it cannot be loaded (the reason is logged once).
const engines::EngineApi* engineApi();
// The failure the facades report when the module is missing (errors::kEngines).
AppError engineModuleError();

}  // namespace quorvel
