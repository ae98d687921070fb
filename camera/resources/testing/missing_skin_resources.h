#pragma once
// For tests of what happens when art is missing: while an object of this
// class lives, the named skin resources cannot be loaded.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace lumoset::testing {

class MissingSkinResources {
public:
  explicit MissingSkinResources(std::initializer_list<std::string_view> names);
  ~MissingSkinResources();
  MissingSkinResources(const MissingSkinResources&) = delete;
  MissingSkinResources& operator=(const MissingSkinResources&) = delete;

private:
  std::vector<std::string> added_;
};

} // namespace lumoset::testing
