#pragma once
// Files the desktop hands over (a file manager's "open with", a start from a terminal,
// a second start): command-line arguments and "file:" addresses turned into local
// paths through GIO, so escapes and non-ASCII names come out as the file's own name.
#include <filesystem>
#include <optional>
#include <string>

namespace quorvel::OpenedFiles {

// The address a command-line argument names: a path (a relative one taken against
// `cwd`, the folder the start came from) as a "file:" address, any other address as
// given.
std::string addressForArgument(const std::string& arg, const std::filesystem::path& cwd);

// The local path of a "file:" address; nothing when the address names no file on
// this machine.
std::optional<std::filesystem::path> localPath(const std::string& uri);

}  // namespace quorvel::OpenedFiles
