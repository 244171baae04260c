// Cost of one log line through the indent and format path, with an output that
// discards the text.
#include "core/Log.h"

#include <benchmark/benchmark.h>

namespace
{
class NullOutput : public LogOutput
{
public:
    void Open() override {}
    void Close() override {}
    void Write(const char* text) override { benchmark::DoNotOptimize(text); }
};

void BM_LogPrintf(benchmark::State& state)
{
    NullOutput* output = new NullOutput();
    Log::Instance()->AddOutput(output);
    LogScope scope("bench");
    for (auto _ : state)
        Log::Printf(Log::Instance(), "frame %d took %f ms\n", 42, 16.6);
    Log::Instance()->RemoveOutput(output);
}
BENCHMARK(BM_LogPrintf);
} // namespace
