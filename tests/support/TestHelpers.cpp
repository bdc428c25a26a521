#include "TestHelpers.h"

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "fakes/SettableClock.h"

namespace quorvel::test {

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

int countContaining(const std::vector<std::string>& lines, const std::string& part) {
  int n = 0;
  for (const auto& l : lines)
    if (l.find(part) != std::string::npos) ++n;
  return n;
}

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  const char* old = std::getenv("TZ");
  if (old) saved_ = old;
  setenv("TZ", tz, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (saved_) setenv("TZ", saved_->c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

void setClockTo(SettableClock& clock, int year, int month, int day, int hour, int minute, int utcOffsetHours) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  clock.set(std::chrono::system_clock::from_time_t(timegm(&tm) - utcOffsetHours * 3600));
}

}  // namespace quorvel::test
