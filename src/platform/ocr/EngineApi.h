#pragma once
// The recognition and PDF engines (Tesseract, Leptonica, poppler, qpdf) live in a
// module of their own, loaded on first use: linked into the program, their libraries
// would cost every start about 40 ms of dynamic linking. This is the table of entry
// points the module hands over; both sides are built together, so standard types
// cross it. The facades in platform/ocr and platform/pdf are its only callers.
#include <cairo.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Result.h"
#include "platform/ocr/Bitmap.h"
#include "platform/ocr/TextRecognizer.h"

namespace quorvel::engines {

struct EngineApi {
  // The module's log lines go through the program's log.
  void (*setLogger)(void (*log)(const std::string& line, bool error));

  // Recognition: pools of initialised engines, one per language set, each made for
  // its owner (min(4, cores) engines) and freed by it once no engine is lent out.
  void* (*makePool)(const std::string& languages);
  void (*freePool)(void* pool);
  unsigned (*poolCapacity)(void* pool);
  void (*setPoolCapacity)(void* pool, unsigned capacity);
  unsigned (*poolEngines)(void* pool);
  // Initialises one engine of the pool (when it has none idle) and gives it back.
  bool (*warmPool)(void* pool);
  Recognition (*recognise)(void* pool, const Bitmap& bitmap, const RecognitionOptions& options);
  std::string (*dataPath)();

  // PDF documents (poppler): null when the address is no readable PDF.
  void* (*openPdf)(const std::string& uri);
  void (*closePdf)(void* doc);
  int (*pageCount)(void* doc);
  bool (*pageSize)(void* doc, int index, double* width, double* height);
  std::optional<Bitmap> (*renderPage)(void* doc, int index, double scale);
  // Draws the page at the context's scale (no background).
  bool (*drawPage)(void* doc, int index, cairo_t* cr);

  // Searchable PDFs: the write's outcome.
  Result<void> (*writeSearchablePdf)(const std::filesystem::path& source,
                                     const std::vector<std::filesystem::path>& layers,
                                     const std::filesystem::path& output);
  Result<void> (*writeImageSearchablePdf)(const Bitmap& image, const std::filesystem::path& layer,
                                          const std::filesystem::path& output);
  // Text maps naming CJK radicals where the glyph is the ideograph, rewritten in place
  // (platform/pdf/IdeographText.h); `repaired` gets the number of maps changed.
  Result<void> (*restoreIdeographText)(const std::filesystem::path& pdf, int* repaired);
};

// The module's only export.
extern "C" const EngineApi* quorvel_engine_api();
using EngineApiEntry = const EngineApi* (*)();

}  // namespace quorvel::engines
