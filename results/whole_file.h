// A file written whole beside its place under a temporary name, then renamed into place: a
// reader sees the old file or the new one, never a part. (Small and self-contained, for the
// outputs of this folder.)
#pragma once

#include <string>

namespace kvt::results {

// Throws std::runtime_error naming the path and the reason; the earlier file stays.
void WriteWholeFile(const std::string& path, const std::string& bytes, int mode = 0644);

}  // namespace kvt::results
