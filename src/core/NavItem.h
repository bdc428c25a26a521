#pragma once
#include <string>
#include <vector>

namespace quorvel {

// A sidebar entry; its identity is its path.
struct NavItem {
  std::string title;
  std::string symbol;
  std::string path;
  const std::string& id() const { return path; }
  bool operator==(const NavItem&) const = default;
};

std::string navSymbol(const std::string& path);
std::string roleName(const std::string& code);
const std::vector<NavItem>& defaultSideItems();

}  // namespace quorvel
