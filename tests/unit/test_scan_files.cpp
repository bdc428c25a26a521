// Scan files never replace one another, a failed write leaves nothing behind, and the
// scanner program is driven through a stand-in that behaves like scanimage.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestHelpers.h"
#include "base/AppError.h"
#include "base/Async.h"
#include "platform/Scanner.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

class ScanFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("quorvel-scan-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    ::chmod(dir.c_str(), 0755);
    fs::remove_all(dir);
  }
  // A scanimage stand-in: lists one device, reports progress and writes `page`.
  fs::path fakeScanner(const std::string& body) {
    fs::path script = dir / "fake-scanimage";
    writeFile(script, "#!/bin/sh\n" + body);
    ::chmod(script.c_str(), 0755);
    return script;
  }
  size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }
  fs::path dir;
};

}  // namespace

TEST_F(ScanFilesTest, NamesAreUniqueWithinTheSameSecondAndNothingIsOverwritten) {
  auto a = ScanFiles::writeUnique(dir, "剪贴板扫描-20261209-120000", ".pdf", "%PDF-first");
  auto b = ScanFiles::writeUnique(dir, "剪贴板扫描-20261209-120000", ".pdf", "%PDF-second");
  auto c = ScanFiles::writeUnique(dir, "剪贴板扫描-20261209-120000", ".pdf", "%PDF-third");
  EXPECT_EQ(a.filename(), "剪贴板扫描-20261209-120000.pdf");
  EXPECT_EQ(b.filename(), "剪贴板扫描-20261209-120000-2.pdf");
  EXPECT_EQ(c.filename(), "剪贴板扫描-20261209-120000-3.pdf");
  EXPECT_EQ(readAll(a), "%PDF-first");
  EXPECT_EQ(readAll(b), "%PDF-second");
  EXPECT_EQ(entries(), 3u) << "no temporary file is left";
  EXPECT_EQ(ScanFiles::timeStamp(std::chrono::system_clock::now()).size(), 15u);
}

TEST_F(ScanFilesTest, AFailedWriteThrowsAndLeavesNoFile) {
  EXPECT_THROW(ScanFiles::writeUnique(dir / "missing", "扫描仪扫描-x", ".png", "png"), AppError);
  writeFile(dir / "not-a-folder", "");
  EXPECT_THROW(ScanFiles::writeUnique(dir / "not-a-folder", "扫描仪扫描-x", ".png", "png"), AppError);
  EXPECT_EQ(entries(), 1u);
  if (::geteuid() == 0) return;  // root writes into read-only folders
  ::chmod(dir.c_str(), 0555);
  EXPECT_THROW(ScanFiles::writeUnique(dir, "扫描仪扫描-x", ".png", "png"), AppError);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(ScanFilesTest, TheScannerListIsReadAndAScanLandsUnderAUniqueNameWithProgress) {
  EXPECT_EQ(Scanner::parseDeviceList("\ndevice `pixma:04A9_1234' is a CANON Canoscan flatbed scanner\nNo more\n"),
            (std::vector<Scanner::Device>{{"pixma:04A9_1234", "CANON Canoscan flatbed scanner"}}));
  EXPECT_TRUE(Scanner::parseDeviceList("No scanners were identified.\n").empty());
  EXPECT_DOUBLE_EQ(Scanner::lastProgress("Progress: 10.0%\rProgress: 57.5%\r"), 57.5);

  Scanner s;
  s.setProgram(fakeScanner(
                   "if [ \"$1\" = -L ]; then echo \"device \\`test:0' is a Stand-in flatbed\"; exit 0; fi\n"
                   "[ \"$2\" = test:0 ] || exit 9\n"
                   "printf 'Progress: 40.0%%\\r' >&2; printf 'PNGPAGE'; printf 'Progress: 100.0%%\\r' >&2\n")
                   .string());
  s.detect(true);
  ASSERT_TRUE(waitUntil([&] { return s.state.get() == Scanner::State::ready; }, 5000));
  writeFile(dir / "扫描仪扫描-1.png", "older scan");
  std::vector<double> seen;
  auto first = runToEnd(s.scan(dir, "扫描仪扫描-1", [&](double p) { seen.push_back(p); }, nullptr));
  ASSERT_TRUE(first->value) << errorOf(*first).message;
  EXPECT_EQ(first->value->filename(), "扫描仪扫描-1-2.png");
  EXPECT_EQ(readAll(*first->value), "PNGPAGE");
  EXPECT_EQ(readAll(dir / "扫描仪扫描-1.png"), "older scan");
  EXPECT_FALSE(seen.empty());
}

TEST_F(ScanFilesTest, AFailedOrCancelledScanLeavesNoFileAndAMissingProgramIsReported) {
  Scanner s;
  s.setProgram((dir / "no-such-scanimage").string());
  s.detect(true);
  ASSERT_TRUE(waitUntil([&] { return s.state.get() == Scanner::State::noTool; }, 5000));

  s.setProgram(fakeScanner("echo 'scanimage: open of device failed: Device busy' >&2; exit 1\n").string());
  auto failed = runToEnd(s.scan(dir, "扫描仪扫描-2", nullptr, nullptr));
  EXPECT_EQ(errorOf(*failed).domain, "Scan");
  EXPECT_NE(errorOf(*failed).message.find("Device busy"), std::string::npos) << errorOf(*failed).message;

  s.setProgram(fakeScanner("exec sleep 30\n").string());
  Cancellable cancel;
  postToMainAfter(200, [&] { cancel.cancel(); });
  auto cancelled = runToEnd(s.scan(dir, "扫描仪扫描-3", nullptr, cancel.get()), 5000);
  EXPECT_EQ(errorOf(*cancelled).code, G_IO_ERROR_CANCELLED);
  EXPECT_EQ(entries(), 1u) << "only the stand-in script remains";
}
