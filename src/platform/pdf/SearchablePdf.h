#pragma once
// Searchable PDFs: the source pages kept exactly as they are, each with the
// recogniser's text-only page (invisible text) laid over it as a form XObject.
// Written to a temporary file beside the target and renamed into place, so a failed
// or interrupted write never leaves a truncated PDF.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ocr/Bitmap.h"

namespace quorvel {

// `layers[i]` is a one-page PDF for page i, or empty (the page stays without text).
// Answers "" on success, else the error's description; `output` is then untouched.
std::string writeSearchablePdf(const std::filesystem::path& source, const std::vector<std::filesystem::path>& layers,
                               const std::filesystem::path& output);

// A one-page PDF of the bitmap, one point per pixel, with the text layer over it.
std::string writeImageSearchablePdf(const Bitmap& image, const std::filesystem::path& layer,
                                    const std::filesystem::path& output);

// Makes the text of a PDF the web engine printed searchable for what it shows: text
// maps that name a CJK radical where the glyph is the ideograph ("⼈" for "人") name
// the ideograph (IdeographText.h). Rewritten in place through a temporary file; a PDF
// without such maps is left untouched. `repaired` gets the number of maps changed.
// Answers "" on success, else the error's description (the file is then unchanged).
std::string restoreIdeographText(const std::filesystem::path& pdf, int* repaired = nullptr);

// Writes `output` through a temporary file in its folder; `write` gets the temporary
// path and answers "" or an error. Answers the same.
std::string writeAtomically(const std::filesystem::path& output,
                            const std::function<std::string(const std::filesystem::path&)>& write);

}  // namespace quorvel
