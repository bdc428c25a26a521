#pragma once
// Searchable PDFs: the source pages kept exactly as they are, each with the
// recogniser's text-only page (invisible text) laid over it as a form XObject.
// Written to a temporary file beside the target and renamed into place, so a failed
// or interrupted write never leaves a truncated PDF.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "base/Result.h"
#include "platform/ocr/Bitmap.h"

namespace quorvel {

// The writers fail with why not (errors::kPdf with qpdf's or
// cairo's text, errors::kFile, a GLib error's domain, or errors::kEngines when the
// engines module is missing); `output` is then untouched.

// `layers[i]` is a one-page PDF for page i, or empty (the page stays without text).
Result<void> writeSearchablePdf(const std::filesystem::path& source,
                                const std::vector<std::filesystem::path>& layers,
                                const std::filesystem::path& output);

// A one-page PDF of the bitmap, one point per pixel, with the text layer over it.
Result<void> writeImageSearchablePdf(const Bitmap& image, const std::filesystem::path& layer,
                                     const std::filesystem::path& output);

// Makes the text of a PDF the web engine printed searchable for what it shows: text
// maps that name a CJK radical where the glyph is the ideograph ("⼈" for "人") name
// the ideograph (IdeographText.h). Rewritten in place through a temporary file; a PDF
// without such maps is left untouched. `repaired` gets the number of maps changed.
// A failure leaves the file unchanged.
Result<void> restoreIdeographText(const std::filesystem::path& pdf, int* repaired = nullptr);

// Writes `output` through a temporary file in its folder; `write` gets the temporary
// path and answers its outcome (an exception it throws counts as one:
// an AppError as it is, another as errors::kFile with its text). Answers the same,
// or errors::kFile with errno when the temporary file or the rename fails.
using AtomicWriteStep = std::function<Result<void>(const std::filesystem::path& temporary)>;
Result<void> writeAtomically(const std::filesystem::path& output, const AtomicWriteStep& write);

}  // namespace quorvel
