#pragma once
// Source trees for the tests: made in a fresh temporary folder that is removed afterwards.

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace velmarond::image::testing {

class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmarond-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    Root = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Root, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return Root; }

  // Writes `bytes` bytes of a pattern that differs from file to file (so swapped extents show).
  std::filesystem::path File(const std::filesystem::path& relative, std::size_t bytes, char seed = 'a') const {
    const auto path = Root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < bytes; ++i) out.put(static_cast<char>(seed + i % 23 + (i / 2048) % 7));
    return path;
  }

 private:
  std::filesystem::path Root;
};

}  // namespace velmarond::image::testing
