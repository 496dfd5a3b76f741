// Paths of the program's own texts, which may join with "\", for the file system.
#pragma once

#include <string>

namespace kvt::base {

inline std::string NativePath(const std::string& path) {
    std::string native = path;
    for (char& ch : native)
        if (ch == '\\') ch = '/';
    return native;
}

}  // namespace kvt::base
