#pragma once
// Recognition of one bitmap with an engine from the pool: the lines in the order the
// engine reads them, each with its box, and optionally the engine's text-only PDF page
// (invisible text in the glyph-less font) for laying over a scanned page.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Result.h"
#include "platform/ocr/Bitmap.h"

namespace quorvel {

class TesseractPool;

struct RecognisedLine {
  std::string text;
  // Normalised to the image (0…1), origin at the lower-left corner.
  double x = 0, y = 0, width = 0, height = 0;
  float confidence = 0;  // 0…100
};

// The lines' texts joined by "\n", in the recogniser's order.
std::string joinedText(const std::vector<RecognisedLine>& lines);

// The lines the engine read; otherwise why not, in Chinese (errors::kOcr, or
// errors::kEngines when the engines module is missing).
using Recognition = Result<std::vector<RecognisedLine>>;

struct RecognitionOptions {
  int dpi = 300;  // the bitmap's resolution; sizes the text-only page
  // When set, the text-only PDF page is written there (one page, dpi-sized).
  std::filesystem::path textLayerPdf;
  // Tesseract language set; empty: simplified Chinese and English.
  std::string languages;
};

class TesseractPools;

// With the pool of the options' language set.
Recognition recognise(TesseractPools& pools, const Bitmap& bitmap, const RecognitionOptions& options = {});
Recognition recognise(TesseractPool& pool, const Bitmap& bitmap, const RecognitionOptions& options = {});

// A line as the engine spells it without its trailing line break and blanks; text
// that is no valid UTF-8 gives "".
std::string tidyRecognisedLine(const std::string& raw);

}  // namespace quorvel
