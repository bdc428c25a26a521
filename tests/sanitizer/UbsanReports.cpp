// Linked into every program of the sanitizer build. UndefinedBehaviorSanitizer
// ignores its log_path option when it shares the process with AddressSanitizer, and
// programs that tests start often send standard error to a file that is thrown away.
// So each report is also appended to $QUORVEL_UBSAN_REPORTS/ubsan.<pid>, where
// scripts/test-sanitized.sh finds it.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

extern "C" {

void __ubsan_get_current_report_data(const char** issueKind, const char** message, const char** file,
                                     unsigned* line, unsigned* column, char** memoryAddress);

// Called by the runtime for every report, before it prints it.
__attribute__((visibility("default"))) void __ubsan_on_report() {
  const char* dir = std::getenv("QUORVEL_UBSAN_REPORTS");
  if (!dir || !*dir) return;
  const char *kind = "", *message = "", *file = "";
  unsigned line = 0, column = 0;
  char* address = nullptr;
  __ubsan_get_current_report_data(&kind, &message, &file, &line, &column, &address);
  char exe[PATH_MAX] = "?";
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  exe[n > 0 ? n : 1] = '\0';
  char path[PATH_MAX];
  std::snprintf(path, sizeof path, "%s/ubsan.%d", dir, static_cast<int>(getpid()));
  const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  dprintf(fd, "%s: %s:%u:%u: runtime error (%s): %s\n", exe, file ? file : "?", line, column, kind ? kind : "?",
          message ? message : "");
  close(fd);
}
}
