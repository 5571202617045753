// The simulated file system: files by full Windows path, compared without regard to case.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class FileSystem {
 public:
  void Put(std::string_view path, std::string content = {});
  bool Exists(std::string_view path) const;
  bool Remove(std::string_view path);
  std::optional<std::string> Read(std::string_view path) const;
  // Full paths of the files directly inside `directory`.
  std::vector<std::string> List(std::string_view directory) const;

 private:
  struct File {
    std::string path;
    std::string content;
  };
  static std::string Fold(std::string_view path);
  std::map<std::string, File> files_;
};

}  // namespace sim
