// The offline mirror's comparison against a real local tree: 100,000 files on disk,
// listed by one stat per manifest entry as the store does. Not a test: prints figures.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "features/mirror/MirrorFormats.h"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace std::chrono;

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 100'000;
  fs::path root = fs::temp_directory_path() / "quorvel-mirror-bench";
  fs::remove_all(root);
  MirrorManifest m;
  auto made = steady_clock::now();
  for (int i = 0; i < files; ++i) {
    std::string rel = "0" + std::to_string(i % 9) + "_目录/子目录" + std::to_string(i % 97) + "/文件" + std::to_string(i) + ".pdf";
    m.files.push_back({rel, "user_data/FIRM_a/案件/" + rel, 1, 0});
    if (i % 250 == 0) continue;  // missing locally
    fs::path p = root / "案件" / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << (i % 100 == 0 ? "xx" : "x");  // every 100th differs in size
  }
  m.count = files;
  std::printf("tree of %d files written in %.1f s\n", files, duration<double>(steady_clock::now() - made).count());
  auto sizeOf = [](const fs::path& p) -> std::optional<long long> {
    std::error_code ec;
    auto st = fs::status(p, ec);
    if (ec || !fs::is_regular_file(st)) return std::nullopt;
    auto n = fs::file_size(p, ec);
    return ec ? std::nullopt : std::optional<long long>(static_cast<long long>(n));
  };
  for (int run = 0; run < 3; ++run) {
    auto start = steady_clock::now();
    auto diffs = MirrorRules::computeDiffs(m, root, sizeOf);
    std::printf("differences against the tree on disk: %zu in %lld ms\n", diffs.size(),
                static_cast<long long>(duration_cast<milliseconds>(steady_clock::now() - start).count()));
  }
  fs::remove_all(root);
  return 0;
}
