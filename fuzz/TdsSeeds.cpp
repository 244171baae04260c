// Writes the reader's test files into the folder given on the command line.
#include "support/TdsSamples.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (const auto& sample : tds_samples::AllSamples())
    {
        std::string path = std::string(argv[1]) + "/" + sample.first;
        if (!TdsWriter::Save(sample.second, path))
        {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
