#pragma once
// The edit-and-upload check ("--edittest").
#include <nlohmann/json.hpp>

#include <functional>

namespace quorvel::EditUploadTest {
void run(std::function<void(nlohmann::json)> then);
}  // namespace quorvel::EditUploadTest
