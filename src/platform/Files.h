// One resolver for every file the program opens. The game names files with
// backslashes ("data\textures\font.png") and 3DS files name textures in any
// case; on this file system both are resolved here.
#pragma once

#include <cstdio>
#include <string>

// Turns backslashes into slashes and, where a path component does not exist
// as written, picks the entry of the folder that matches it ignoring ASCII
// case. A path with no match is returned with its separators converted.
std::string ResolvePath(const char* path);

// fopen on the resolved path. Paths for writing resolve their folder the same way.
FILE* OpenFile(const char* path, const char* mode);

// True when the resolved path names a regular file (through symbolic links):
// not a folder, FIFO or device, whose open or read could block or never end.
bool IsRegularFile(const char* path);
