// Writes the plan at the lines file's limit (BASE.lns, .ply, .cve) for measuring the whole
// program on it, e.g. "perf stat -r 20 corvane --check BASE".

#include "plangen.h"

#include <iostream>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: corvane_plangen BASE\n";
        return 2;
    }
    if (corvane::Result<void> written =
            corvane::gen::WritePlan(corvane::gen::MakeLimitPlan(), argv[1]);
        !written) {
        std::cerr << written.error().message << "\n";
        return 2;
    }
    return 0;
}
