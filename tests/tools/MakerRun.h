// Runs the data set maker into a fresh scratch folder for one test; the
// folder goes with the object.
#pragma once

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class MakerRun : public ScratchFolder
{
public:
    MakerRun() : ScratchFolder("makedata") {}

    // Runs the maker; true when it exited with 0.
    bool Make() const
    {
#ifdef TOLVI_MAKEDATA
        const std::string command = std::string("\"") + TOLVI_MAKEDATA + "\" \"" + path + "\"";
        return std::system(command.c_str()) == 0;
#else
        return false;
#endif
    }
};

// The data set made once per test process for every test that reads it; null
// when the maker failed.
inline const MakerRun* SharedDataSet()
{
    static MakerRun run;
    static const bool made = run.Make();
    return made ? &run : nullptr;
}

#ifdef TOLVI_MAKEDATA
#define TOLVI_REQUIRE_MAKER()
#else
#define TOLVI_REQUIRE_MAKER() GTEST_SKIP() << "built without tools/ (TOLVI_BUILD_TOOLS off)"
#endif
