#pragma once
// Small file-system helpers shared by the writer and the reader.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sqx {

// Ten random letters and digits, for temporary names beside a target.
std::string randomSuffix();
// Creates the folder and its parents; SQX_OK or the reason it cannot.
int32_t makeFolders(const std::string& path);
// Writes everything, retrying short writes; SQX_OK or the mapped errno.
int32_t writeAll(int fd, const void* data, size_t size);

} // namespace sqx
