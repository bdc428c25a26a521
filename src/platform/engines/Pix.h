#pragma once
// Leptonica images owned through RAII.
#include <leptonica/allheaders.h>

#include <memory>

#include "platform/ocr/Bitmap.h"

namespace quorvel::engines {

struct PixDeleter {
  void operator()(Pix* p) const {
    if (p) pixDestroy(&p);
  }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

// A 32-bit Leptonica image of the bitmap; null when it cannot be allocated.
PixPtr pixFromBitmap(const Bitmap& bitmap);

}  // namespace quorvel::engines
