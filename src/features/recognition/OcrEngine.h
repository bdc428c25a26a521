#pragma once
// On-device text recognition: waybill photos from the page bridge, and the shared
// recognition calls (text, lines with their boxes) of scans and screen regions.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "features/recognition/WaybillText.h"
#include "platform/ocr/Bitmap.h"
#include "platform/ocr/TextRecognizer.h"

namespace quorvel {
class TesseractPools;
class WorkerPool;
}  // namespace quorvel

// Each recognition takes an engine from `pools`.
namespace quorvel::OcrEngine {

// Bounds on what a page may hand over: beyond them the photo is refused as unreadable.
inline constexpr std::size_t kMaxDataURLBytes = 30u * 1024 * 1024;
inline constexpr std::uint64_t kMaxImagePixels = 50'000'000;

// Runs one recognition of a small generated image on `workers`, so that the first
// real request meets an initialised engine; logs the time. Returns at once.
void warmUp(TesseractPools& pools, WorkerPool& workers);

// Recognises a waybill photo given as a data URL (or bare base64). Synchronous, safe
// off the main thread. Always answers the seven keys "tracking_no", "courier",
// "sender", "recipient", "remark", "status" ("green"/"yellow"/"red") and "msg".
nlohmann::json analyze(TesseractPools& pools, const std::string& imageDataURL);

// The image bytes of a data URL's last comma-separated piece, base64 decoded with
// stray characters ignored; nothing when they are no readable image within the bounds.
std::optional<std::string> decodeImageDataURL(const std::string& imageDataURL);
std::optional<Bitmap> image(const std::string& imageDataURL);

// The recognised text, one line per recognised line joined by "\n"; "" on failure.
std::string text(TesseractPools& pools, const Bitmap& image, const std::string& languages = {});
// The recognised lines with their boxes (normalised, origin lower-left); empty on failure.
std::vector<RecognisedLine> lines(TesseractPools& pools, const Bitmap& image);
// text() of an image file; "" (logged) when it cannot be read. Synchronous, safe off
// the main thread.
std::string textFromImageFile(TesseractPools& pools, const std::string& path);
// The same with a Tesseract language set of the caller's choice (e.g.
// TesseractPool::kAllChinese for text that may be traditional Chinese).
std::string textFromImageFile(TesseractPools& pools, const std::string& path, const std::string& languages);

// The waybill field extractors (on the recognised text).
using WaybillText::courier;
using WaybillText::party;
using WaybillText::remark;
using WaybillText::trackingNumber;

}  // namespace quorvel::OcrEngine
