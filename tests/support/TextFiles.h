// Reading text files back in tests, a line per element without line ends.
#pragma once

#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}
