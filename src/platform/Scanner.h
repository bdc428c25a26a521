#pragma once
// Paper documents into files: SANE's `scanimage` for a connected scanner, and new
// scan files that never replace an existing one.
#include <gio/gio.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"

namespace quorvel {

namespace ScanFiles {
// "yyyyMMdd-HHmmss" in local time.
std::string timeStamp(std::chrono::system_clock::time_point t);
// The first free name of stem + ext, stem-2 + ext, stem-3 + ext … in `dir` (ext with
// its dot). A name is taken by an exclusive link, so two writers never share one.
// `from` is a finished temporary file in `dir`, renamed on success. Throws AppError
// ("File", errno) when no name can be taken.
std::filesystem::path publishUnique(const std::filesystem::path& from, const std::filesystem::path& dir,
                                    const std::string& stem, const std::string& ext);
// Writes `bytes` to a new file under a unique name (temporary file first, then the
// exclusive rename). Blocking: run it off the main thread. Throws AppError on any
// failure and leaves nothing behind.
std::filesystem::path writeUnique(const std::filesystem::path& dir, const std::string& stem, const std::string& ext,
                                  const std::string& bytes);
}  // namespace ScanFiles

class Scanner {
 public:
  struct Device {
    std::string name;         // what scanimage -d takes
    std::string description;  // vendor and model
    bool operator==(const Device&) const = default;
  };
  enum class State { unknown, detecting, noTool, noDevice, ready };

  Scanner() = default;
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  Published<State, Scanner> state{State::unknown};
  const std::vector<Device>& devices() const { return devices_; }

  // Runs "scanimage -L" once (again only with `refresh`); the result is kept.
  void detect(bool refresh = false);
  // The program run; tests point it at a stand-in.
  void setProgram(std::string program) { program_ = std::move(program); }
  const std::string& program() const { return program_; }

  // Scans one page of the first device as PNG into `dir`, named stem (then stem-2 …)
  // ".png". `progress` gets 0–100 while the scanner reports. Throws AppError; a
  // cancelled scan throws the cancellation and leaves no file.
  Task<std::filesystem::path> scan(std::filesystem::path dir, std::string stem,
                                   std::function<void(double)> progress, GCancellable* cancellable);

  // "device `x' is a y" lines of scanimage -L.
  static std::vector<Device> parseDeviceList(const std::string& text);
  // The last "Progress: 12.5%" in scanimage's error output, or -1.
  static double lastProgress(const std::string& text);

 private:
  Task<void> runDetection();

  std::string program_ = "scanimage";
  std::vector<Device> devices_;
  int detection_ = 0;
  // A detection that ends after the scanner went changes nothing.
  TaskScope scope_;
};

}  // namespace quorvel
