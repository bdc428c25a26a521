#include "platform/FileOps.h"
#include "base/FailureText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvel::FileOps {
namespace fs = std::filesystem;

namespace {
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

int renameNoReplace(const fs::path& from, const fs::path& to) {
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u /* RENAME_NOREPLACE */) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  // File systems without NOREPLACE (FUSE among them): a hard link fails on an
  // existing target; then drop the old name.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  // Last resort where links are not supported: check, then rename (a small window).
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
}  // namespace

int copyNewFile(const fs::path& from, const fs::path& to) {
  Fd in{::open(from.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return errno;
  struct stat st;
  if (::fstat(in.fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EISDIR;
  Fd out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
  if (out.fd < 0) return errno;
  std::vector<char> buf(1 << 17);
  int err = 0;
  for (;;) {
    ssize_t n = ::read(in.fd, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    for (ssize_t off = 0; off < n;) {
      ssize_t w = ::write(out.fd, buf.data() + off, static_cast<size_t>(n - off));
      if (w < 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
      }
      off += w;
    }
    if (err) break;
  }
  if (!err && ::fsync(out.fd) != 0) err = errno;
  if (!err) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd, times);
  }
  if (::close(out.fd) != 0 && !err) err = errno;
  out.fd = -1;
  if (err) ::unlink(to.c_str());
  return err;
}

int moveNoReplace(const fs::path& from, const fs::path& to) {
  int err = renameNoReplace(from, to);
  if (err != EXDEV) return err;
  err = copyNewFile(from, to);
  if (err) return err;
  return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

bool setModificationTime(const fs::path& p, std::chrono::system_clock::time_point t) {
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
  times[1].tv_nsec = static_cast<long>(ns % 1000000000);
  if (times[1].tv_nsec < 0) {
    times[1].tv_nsec += 1000000000;
    times[1].tv_sec -= 1;
  }
  return ::utimensat(AT_FDCWD, p.c_str(), times, 0) == 0;
}

std::string errorText(int err) { return failure::systemErrorText(err); }

std::string localStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

}  // namespace quorvel::FileOps
