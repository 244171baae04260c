// The 3DS reader on a file of 100,000 faces (five 20,000-face meshes with
// mapping and two smoothing groups): the whole load with its mesh passes, the
// chunk parsing alone, and the passes alone.
#include "tds/TdsReader.h"

#include "support/TdsSamples.h"

#include <benchmark/benchmark.h>

namespace
{
const uint32_t kFaces = 100000;

const std::vector<uint8_t>& GridBytes()
{
    static const std::vector<uint8_t> bytes = tds_samples::GridFile(kFaces);
    return bytes;
}

// Keeps the level a load would otherwise reset, so level -1 parses only.
class ParseOnlyReader : public TdsReader
{
public:
    void Clear() override
    {
        TdsReader::Clear();
        SetOptimizationLevel(-1);
    }
};

template <typename Reader> void LoadGrid(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = GridBytes();
    for (auto _ : state)
    {
        Reader reader;
        bool ok = reader.LoadMemory(bytes.data(), static_cast<uint32_t>(bytes.size()));
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["faces"] = kFaces;
    state.counters["file_MB"] = bytes.size() / 1e6;
}

void BM_TdsLoad100kFaces(benchmark::State& state)
{
    LoadGrid<TdsReader>(state);
}
BENCHMARK(BM_TdsLoad100kFaces)->Unit(benchmark::kMillisecond);

void BM_TdsParseOnly100kFaces(benchmark::State& state)
{
    LoadGrid<ParseOnlyReader>(state);
}
BENCHMARK(BM_TdsParseOnly100kFaces)->Unit(benchmark::kMillisecond);

void BM_TdsMeshPasses100kFaces(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = GridBytes();
    ParseOnlyReader reader;
    reader.LoadMemory(bytes.data(), static_cast<uint32_t>(bytes.size()));
    for (auto _ : state)
    {
        for (uint32_t i = 0; i < reader.GetMeshCount(); ++i)
        {
            TdsMesh mesh = *reader.GetMesh(i);
            mesh.Optimize(2);
            benchmark::DoNotOptimize(mesh.GetVertexCount());
        }
    }
}
BENCHMARK(BM_TdsMeshPasses100kFaces)->Unit(benchmark::kMillisecond);
} // namespace
