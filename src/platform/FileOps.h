#pragma once
// File moves and copies with the semantics the case files need: a move never
// replaces what stands at the target, a copy keeps the source's modification time.
#include <chrono>
#include <filesystem>
#include <string>

namespace quorvel::FileOps {

// Moves `from` to `to` only when nothing exists at `to` (renameat2 NOREPLACE; across
// file systems an exclusive copy, then removal). Returns 0 or an errno value
// (EEXIST when the target is taken).
int moveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// Copies a regular file into a new file `to` (which must not exist) and gives it the
// source's modification time. Returns 0 or an errno value; a failed copy removes its
// partial target.
int copyNewFile(const std::filesystem::path& from, const std::filesystem::path& to);
bool setModificationTime(const std::filesystem::path& p, std::chrono::system_clock::time_point t);
std::string errorText(int err);
// The local time as "yyyyMMdd-HHmmss", as names of kept-aside copies carry it.
std::string localStamp();

}  // namespace quorvel::FileOps
