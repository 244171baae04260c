// Writing a made file to disk, for every writer of the asset library, and
// reading one back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace assets
{
// Writes the bytes as the whole file, replacing one that is there. False,
// after a line on stderr naming the path, when the file cannot be written.
bool SaveFile(const std::string& path, const void* data, size_t size);
bool SaveFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Reads the whole file into bytes; false when it cannot be opened or read.
bool LoadFile(const std::string& path, std::vector<uint8_t>& bytes);
} // namespace assets
