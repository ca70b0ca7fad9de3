#include "app/windowsmain.h"
#include "core/cli/commandline.h"
#include "core/cli/plancheck.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kWindowsLibrary = "libcorvane_windows.so";
// The GIS export (GDAL) and the name of its entry point.
constexpr const char* kGisLibrary = "libcorvane_gis.so";
constexpr const char* kGisEntry = "CorvaneExportGisMain";

// Loads one of the program's own libraries (the windows, the GIS export) from beside the program
// (the build folder) or from the program's private library folder (installed), found from where the
// program itself is; then by the run path. Asking by folder first matters where a sanitizer's
// runtime stands between the program and the loader: the loader then reads the run path of that
// runtime, not the program's.
void* LoadPrivateLibrary(const char* library) {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        const std::filesystem::path folder = program.parent_path();
        for (const std::filesystem::path& candidate :
             {folder / library, folder / ".." / "lib" / "corvane" / library}) {
            if (std::filesystem::exists(candidate, failed))
                return dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        }
    }
    return dlopen(library, RTLD_NOW | RTLD_LOCAL);
}

using Entry = int (*)(int, char**);

// The entry point of a loaded library, or null with the reason said.
Entry EntryOf(void* library, const char* entryName, const char* what) {
    if (library == nullptr) {
        const char* reason = dlerror();
        std::cerr << "Cannot load the Corvane " << what << ": " << (reason ? reason : "not found")
                  << "\n";
        return nullptr;
    }
    const auto entry = reinterpret_cast<Entry>(dlsym(library, entryName));
    if (entry == nullptr)
        std::cerr << "Cannot start the Corvane " << what << ": the library has no entry point\n";
    return entry;
}

} // namespace

// The command-line modes that print text (checks, reports, exchanges) run here on the plan
// data core alone, so a check of a plan starts in a few milliseconds. The windows and the
// modes that paint need Qt: their library is loaded only for them, from next to the program
// in the build folder or from the program's private library folder once installed (the
// program's run path names both).
int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const corvane::CommandLine command = corvane::ParseCommandLine(args);
    // The GIS export needs GDAL, which only its own library links.
    if (command.Mode == corvane::CommandMode::ExportGis && command.Refusal.empty()) {
        const Entry entry = EntryOf(LoadPrivateLibrary(kGisLibrary), kGisEntry, "GIS export");
        return entry ? entry(argc, argv) : 2;
    }
    const bool paints =
        command.Mode == corvane::CommandMode::Draw || command.Mode == corvane::CommandMode::Report;
    if (command.headless() && !(paints && command.Refusal.empty()))
        return corvane::RunCommandMode(command, std::cout, std::cerr);

    const Entry entry =
        EntryOf(LoadPrivateLibrary(kWindowsLibrary), CORVANE_WINDOWS_ENTRY, "windows");
    if (entry == nullptr)
        return 2;
    // Qt's application objects and their threads end inside the library; it stays loaded
    // until the process ends.
    return entry(argc, argv);
}
