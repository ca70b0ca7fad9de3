// "corvane --validate" on the plan at the lines file's limit: the plan check alone on the
// loaded plan, and the whole command from the files (target: within 3 s).

#include "plangen.h"

#include "core/cli/plancheck.h"
#include "core/files/linesfile.h"
#include "core/geometry/closure.h"
#include "core/reports/lodgement.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace corvane {
namespace {

const std::string& planBase() {
    static const std::string base = [] {
        const auto dir = std::filesystem::temp_directory_path() / "corvane_validate_bench";
        std::filesystem::create_directories(dir);
        const std::string path = (dir / "D99997").string();
        if (!gen::WritePlan(gen::MakeLimitPlan(), path))
            return std::string();
        return path;
    }();
    return base;
}

void validateCheckPlan(benchmark::State& state) {
    PlanState plan;
    plan.PlanPath = planBase();
    if (!LoadLines(plan)) {
        state.SkipWithError("cannot load the lines");
        return;
    }
    std::size_t findings = 0;
    for (auto _ : state) {
        auto check = CheckPlanForLodgement(plan, kDefaultAccuracyClass);
        if (!check) {
            state.SkipWithError(check.error().message.c_str());
            return;
        }
        findings = check.value().findings.size();
    }
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(validateCheckPlan)->Unit(benchmark::kMillisecond);

void validateWholeCommand(benchmark::State& state) {
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = RunCommandMode({"--validate", planBase()}, out, err);
        if (status == 2)
            state.SkipWithError(err.str().c_str());
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(validateWholeCommand)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace corvane
