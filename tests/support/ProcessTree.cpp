#include "ProcessTree.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quorvel::test {
namespace {
// State and parent from a stat line; false when it cannot be read.
bool stateAndParent(int pid, char& state, int& ppid) {
  std::string s = readProcFile(pid, "stat");
  auto close = s.rfind(')');
  if (close == std::string::npos || close + 2 >= s.size()) return false;
  std::istringstream rest(s.substr(close + 2));
  return static_cast<bool>(rest >> state >> ppid);
}
}  // namespace

std::string readProcFile(int pid, const char* name) {
  try {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  } catch (const std::exception&) {
    return {};
  }
}

std::vector<int> processTree() {
  std::vector<int> tree{getpid()};
  bool grew = true;
  while (grew) {
    grew = false;
    DIR* d = opendir("/proc");
    if (!d) break;
    while (dirent* e = readdir(d)) {
      int pid = std::atoi(e->d_name);
      char state = 0;
      int ppid = 0;
      if (pid <= 0 || !stateAndParent(pid, state, ppid)) continue;
      bool known = std::find(tree.begin(), tree.end(), pid) != tree.end();
      if (!known && std::find(tree.begin(), tree.end(), ppid) != tree.end()) {
        tree.push_back(pid);
        grew = true;
      }
    }
    closedir(d);
  }
  return tree;
}

std::vector<int> webProcesses() {
  std::vector<int> out;
  for (int pid : processTree()) {
    char state = 0;
    int ppid = 0;
    if (readProcFile(pid, "comm").rfind("WebKitWebProces", 0) == 0 && stateAndParent(pid, state, ppid) &&
        state != 'Z')
      out.push_back(pid);
  }
  return out;
}

}  // namespace quorvel::test
