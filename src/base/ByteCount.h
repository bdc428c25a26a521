#pragma once
#include <string>

namespace quorvel {

// Byte counts as the file manager shows file sizes (decimal units): "0 字节", "999 字节",
// "12 KB", "3.4 MB", "1.25 GB".
std::string byteCountText(long long bytes);

}  // namespace quorvel
