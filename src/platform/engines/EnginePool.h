#pragma once
// Inside the engines module: a bounded pool of initialised Tesseract engines. One
// engine is not thread-safe and takes ~0.4 s to initialise, so engines are kept and
// lent out one caller at a time; the pool grows lazily up to its capacity and callers
// beyond it wait.
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tesseract {
class TessBaseAPI;
}

namespace quorvel::engines {

// The module's log line, through the program's log.
void moduleLog(const std::string& line, bool error = false);

class EnginePool {
 public:
  EnginePool(unsigned capacity, std::string languages);
  ~EnginePool();
  EnginePool(const EnginePool&) = delete;
  EnginePool& operator=(const EnginePool&) = delete;

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
    friend class EnginePool;
    Lease(EnginePool* pool, tesseract::TessBaseAPI* api) : pool_(pool), api_(api) {}
    EnginePool* pool_;
    tesseract::TessBaseAPI* api_;
  };

  Lease checkout();
  void setCapacity(unsigned capacity);
  unsigned capacity() const;
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


}  // namespace quorvel::engines
