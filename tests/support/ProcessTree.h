#pragma once
// The processes below this one, read from /proc: the engine's web and network
// processes (through the sandbox's helper). A process that ends while it is read is
// passed over.
#include <string>
#include <vector>

namespace quorvel::test {

// A /proc file of a process; empty when the process has gone.
std::string readProcFile(int pid, const char* name);
// This process and every process below it.
std::vector<int> processTree();
// The live web processes among them.
std::vector<int> webProcesses();

}  // namespace quorvel::test
