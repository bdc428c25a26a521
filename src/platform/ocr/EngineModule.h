#pragma once
// Loads the engines module (recognition and PDF: Tesseract, Leptonica, poppler, qpdf)
// on first use, from beside the program or the build folder. Safe from any thread.
#include <string>

#include "platform/ocr/EngineApi.h"

namespace quorvel {

// The module's table; null when it cannot be loaded (the reason is logged once).
const engines::EngineApi* engineApi();
// The failure text the facades report when the module is missing.
std::string engineModuleError();

}  // namespace quorvel
