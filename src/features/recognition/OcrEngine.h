#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace quorvel::OcrEngine {

// Prepares recognition in the background so that the first request starts quickly.
void warmUp();
// Recognises a waybill photo given as a "data:" image address. Synchronous and safe
// off the main thread. Answers an object with "tracking_no", "courier", "sender",
// "recipient", "remark", "status" (a colour word) and "msg".
nlohmann::json analyze(const std::string& imageDataURL);

// The image bytes of a base64 "data:" address, or nothing when it is not one or
// the bytes are not an image.
std::optional<std::string> decodeImageDataURL(const std::string& imageDataURL);

}  // namespace quorvel::OcrEngine
