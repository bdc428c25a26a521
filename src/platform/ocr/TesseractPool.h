#pragma once
// A bounded pool of initialised Tesseract engines. One engine is not thread-safe and
// takes ~0.4 s to initialise, so engines are kept and lent out one caller at a time;
// the pool grows lazily up to its capacity and callers beyond it wait.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <map>
#include <vector>

namespace tesseract {
class TessBaseAPI;
}

namespace quorvel {

class TesseractPool {
 public:
  // Simplified Chinese and English, LSTM only: waybills and scans. With traditional
  // Chinese in the same engine, simplified characters often come back in their
  // traditional form (号 → 號, 传 → 傳), which breaks every pattern on the text.
  static constexpr const char* kSimplified = "chi_sim+eng";
  // Simplified and traditional Chinese and English, for text that may be either.
  static constexpr const char* kAllChinese = "chi_sim+chi_tra+eng";

  explicit TesseractPool(unsigned capacity, std::string languages = kSimplified);
  ~TesseractPool();
  TesseractPool(const TesseractPool&) = delete;
  TesseractPool& operator=(const TesseractPool&) = delete;

  // The process's pools, one per language set: min(4, cores) engines each.
  static TesseractPool& shared(const std::string& languages = kSimplified);

  // An engine lent until the lease ends; `api()` is null when no engine could be
  // initialised (missing language data).
  class Lease {
   public:
    Lease(Lease&& o) noexcept : pool_(o.pool_), api_(o.api_) { o.api_ = nullptr; }
    Lease(const Lease&) = delete;
    ~Lease();
    tesseract::TessBaseAPI* api() const { return api_; }
    explicit operator bool() const { return api_ != nullptr; }

   private:
    friend class TesseractPool;
    Lease(TesseractPool* pool, tesseract::TessBaseAPI* api) : pool_(pool), api_(api) {}
    TesseractPool* pool_;
    tesseract::TessBaseAPI* api_;
  };

  Lease checkout();
  // Changes the bound (benchmarks); engines beyond it are released as they return.
  void setCapacity(unsigned capacity);
  unsigned capacity() const;
  // Engines initialised so far and still held.
  unsigned engines() const;
  const std::string& languages() const { return languages_; }
  // The folder of the language data and of the glyph-less PDF font.
  static std::string dataPath();

 private:
  void giveBack(tesseract::TessBaseAPI* api);

  const std::string languages_;
  mutable std::mutex mutex_;
  std::condition_variable returned_;
  unsigned capacity_;
  unsigned live_ = 0;  // created or being created, not yet released
  std::vector<tesseract::TessBaseAPI*> idle_;
};

}  // namespace quorvel
