#pragma once
// The programs counted by one fill or refresh: distinct executable names,
// compared byte for byte. Two folders' executables of one name are one
// program; a name that begins another is a program of its own.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace portolan {

class ProgramSet {
 public:
  void Add(std::string_view processName) {
    if (!names_.contains(processName)) {
      names_.emplace(processName);
    }
  }
  std::size_t Count() const { return names_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> names_;
};

}  // namespace portolan
