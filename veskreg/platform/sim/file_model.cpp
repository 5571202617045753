#include "platform/sim/file_model.h"

#include <algorithm>
#include <cctype>

namespace sim {

std::string FileSystem::Fold(std::string_view path) {
  std::string folded(path);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
  return folded;
}

void FileSystem::Put(std::string_view path, std::string content) {
  files_[Fold(path)] = File{std::string(path), std::move(content)};
}

bool FileSystem::Exists(std::string_view path) const { return files_.count(Fold(path)) != 0; }

bool FileSystem::Remove(std::string_view path) { return files_.erase(Fold(path)) != 0; }

std::optional<std::string> FileSystem::Read(std::string_view path) const {
  auto it = files_.find(Fold(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.content;
}

std::vector<std::string> FileSystem::List(std::string_view directory) const {
  std::string prefix = Fold(directory);
  if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
  std::vector<std::string> found;
  for (const auto& [folded, file] : files_) {
    if (folded.compare(0, prefix.size(), prefix) == 0 && folded.find('\\', prefix.size()) == std::string::npos) {
      found.push_back(file.path);
    }
  }
  return found;
}

}  // namespace sim
