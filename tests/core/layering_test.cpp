// The core's folders are layers: a file may include its own folder and the folders below it,
// never one above, and nothing of Qt. The window libraries are layers over the core in the
// same way. This reads the sources as they stand in the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Layers(const char* names = CORVANE_CORE_LAYERS) {
    std::vector<std::string> layers;
    std::stringstream list(names);
    for (std::string name; std::getline(list, name, ',');)
        layers.push_back(name);
    return layers;
}

int LayerIndex(const std::vector<std::string>& layers, const std::string& name) {
    const auto it = std::find(layers.begin(), layers.end(), name);
    return it == layers.end() ? -1 : static_cast<int>(it - layers.begin());
}

TEST(CoreLayering, EveryFileIncludesOnlyItsOwnLayerAndThoseBelow) {
    const std::vector<std::string> layers = Layers();
    ASSERT_GE(layers.size(), 2u);
    const fs::path core = fs::path(CORVANE_SOURCE_DIR) / "src" / "core";
    const std::regex coreInclude(R"re(^\s*#\s*include\s*"core/([^/"]+)/)re");
    const std::regex qtInclude(R"re(^\s*#\s*include\s*<Q)re");
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(core)) {
        if (!entry.is_regular_file())
            continue;
        const fs::path rel = fs::relative(entry.path(), core);
        const std::string ext = rel.extension().string();
        if (ext != ".h" && ext != ".cpp")
            continue;
        ++files;
        // A source straight in the core folder belongs to no layer.
        ASSERT_NE(rel.begin(), rel.end());
        const std::string own = rel.begin()->string();
        const int ownIndex = LayerIndex(layers, own);
        EXPECT_GE(ownIndex, 0) << rel << " is not in a layer folder";
        std::ifstream in(entry.path());
        int lineNo = 0;
        for (std::string line; std::getline(in, line);) {
            ++lineNo;
            std::smatch m;
            if (std::regex_search(line, m, coreInclude)) {
                const int used = LayerIndex(layers, m[1].str());
                EXPECT_GE(used, 0) << rel << ":" << lineNo << " includes an unknown folder";
                EXPECT_LE(used, ownIndex) << rel << ":" << lineNo << " (" << own << ") includes "
                                          << m[1].str() << ", a layer above its own";
            }
            EXPECT_FALSE(std::regex_search(line, qtInclude))
                << rel << ":" << lineNo << " includes Qt";
        }
    }
    EXPECT_GT(files, 40);
}

// A window library reaches the ones above it only through the interfaces of the host folder,
// never by including their headers; the core is below them all.
TEST(WindowLayering, EveryLibraryIncludesOnlyItsOwnFolderAndThoseBelow) {
    const std::vector<std::string> layers = Layers(CORVANE_WINDOW_LAYERS);
    ASSERT_GE(layers.size(), 2u);
    const fs::path src = fs::path(CORVANE_SOURCE_DIR) / "src";
    const std::regex folderInclude(R"re(^\s*#\s*include\s*"([^/"]+)/)re");
    int files = 0;
    for (const auto& folder : fs::directory_iterator(src)) {
        if (!folder.is_directory() || folder.path().filename() == "core")
            continue;
        const std::string own = folder.path().filename().string();
        const int ownIndex = LayerIndex(layers, own);
        EXPECT_GE(ownIndex, 0) << "src/" << own << " is not in the list of window libraries";
        for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            ++files;
            const fs::path rel = fs::relative(entry.path(), src);
            std::ifstream in(entry.path());
            int lineNo = 0;
            for (std::string line; std::getline(in, line);) {
                ++lineNo;
                std::smatch m;
                if (!std::regex_search(line, m, folderInclude) || m[1].str() == "core")
                    continue;
                const int used = LayerIndex(layers, m[1].str());
                EXPECT_GE(used, 0) << rel << ":" << lineNo << " includes an unknown folder";
                EXPECT_LE(used, ownIndex) << rel << ":" << lineNo << " (" << own << ") includes "
                                          << m[1].str() << ", a library above its own";
            }
        }
    }
    EXPECT_GT(files, 40);
}

} // namespace
