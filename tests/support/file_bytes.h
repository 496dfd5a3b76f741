// A file's bytes, whole, as a test compares them (a list against its expected file, a meet
// before and after).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kvt::testing {

inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace kvt::testing
