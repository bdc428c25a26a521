#pragma once
#include <string>
#include <vector>

namespace quorvel {

// The process's command line, kept for the switches the subsystems consult.
namespace AppArgs {
void set(std::vector<std::string> args);
const std::vector<std::string>& all();
bool has(const std::string& sw);
// The value after a switch ("--open PATH"), empty when absent.
std::string valueAfter(const std::string& sw);
// "--selftest" or "--livetest": quiet mode that every subsystem honours.
bool isDiagnosticMode();
}  // namespace AppArgs

}  // namespace quorvel
