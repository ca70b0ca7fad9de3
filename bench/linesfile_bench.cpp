// Refusing a lines file far beyond the loader's limit: a 200 MB file of ordinary lines, and
// a 200 MB file that is one line. The loader reads no further than its first line too many,
// so both are refused in the time and memory of a file at the limit, not of the whole file.

#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/model/records.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace corvane {
namespace {

constexpr size_t kFileBytes = size_t{200} * 1024 * 1024;

std::string writeHugeFile(const std::string& name, bool oneLine) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string record =
        oneLine ? std::string("1,2,3,4,") : std::string("1,2,90.0000,10.000\r\n");
    std::string block;
    while (block.size() < size_t{1024} * 1024)
        block += record;
    for (size_t written = 0; written < kFileBytes; written += block.size())
        out << block;
    return path;
}

void refuseHugeLinesFile(benchmark::State& state, bool oneLine) {
    const std::string base = (std::filesystem::temp_directory_path() /
                              (oneLine ? "corvane_bench_wide" : "corvane_bench_long"))
                                 .string();
    writeHugeFile(FileNameOf(base) + ".lns", oneLine);
    PlanState plan;
    plan.PlanPath = base;
    for (auto _ : state) {
        Result<void> loaded = LoadLines(plan);
        if (loaded)
            state.SkipWithError("a huge lines file was loaded");
        benchmark::DoNotOptimize(plan.PlanLines.size());
    }
    std::filesystem::remove(base + ".lns");
}

void BM_RefuseLinesFileOfManyLines(benchmark::State& state) {
    refuseHugeLinesFile(state, false);
}
void BM_RefuseLinesFileOfOneHugeLine(benchmark::State& state) {
    refuseHugeLinesFile(state, true);
}
BENCHMARK(BM_RefuseLinesFileOfManyLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseLinesFileOfOneHugeLine)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
