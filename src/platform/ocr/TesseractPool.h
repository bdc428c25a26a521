#pragma once
// Pools of initialised Tesseract engines, one per language set (in the engines
// module): one engine is not thread-safe and takes ~0.4 s to initialise, so engines
// are kept and lent out one recognition at a time, up to the pool's capacity.
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace quorvel {

class TesseractPool {
 public:
  // Simplified Chinese and English, LSTM only: waybills and scans. With traditional
  // Chinese in the same engine, simplified characters often come back in their
  // traditional form (号 → 號, 传 → 傳), which breaks every pattern on the text.
  static constexpr const char* kSimplified = "chi_sim+eng";
  // Simplified and traditional Chinese and English, for text that may be either.
  static constexpr const char* kAllChinese = "chi_sim+chi_tra+eng";

  TesseractPool(const TesseractPool&) = delete;
  TesseractPool& operator=(const TesseractPool&) = delete;
  // Releases the module's pool; no engine may be lent out any more.
  ~TesseractPool();

  // Changes the bound (benchmarks); engines beyond it are released as they return.
  void setCapacity(unsigned capacity);
  unsigned capacity() const;
  // Engines initialised so far and still held.
  unsigned engines() const;
  // Initialises an engine when none is idle; false when none can be (no language data
  // or no engines module).
  bool warmUp();
  const std::string& languages() const { return languages_; }
  // The folder of the language data and of the glyph-less PDF font.
  static std::string dataPath();
  // The module's pool; null without the module.
  void* handle() const { return handle_; }

 private:
  friend class TesseractPools;
  TesseractPool(void* handle, std::string languages) : handle_(handle), languages_(std::move(languages)) {}
  void* handle_;
  const std::string languages_;
};

// The pools the process recognises with, one per language set, made on first use;
// owned by whoever builds the recognisers and handed to them, and released after the
// last recognition on them. Any thread.
class TesseractPools {
 public:
  TesseractPools() = default;
  TesseractPools(const TesseractPools&) = delete;
  TesseractPools& operator=(const TesseractPools&) = delete;

  // The pool of a language set: min(4, cores) engines.
  TesseractPool& pool(const std::string& languages = TesseractPool::kSimplified);

 private:
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<TesseractPool>> pools_;
};

}  // namespace quorvel
