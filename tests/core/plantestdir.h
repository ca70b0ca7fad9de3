#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the test ends, so file tests never touch the stored plans.
class PlanTestDir {
  public:
    PlanTestDir() {
        static std::atomic<unsigned> counter{0};
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = std::filesystem::temp_directory_path() /
               ("corvane_test_" + std::to_string(stamp) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(dir_);
    }
    ~PlanTestDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PlanTestDir(const PlanTestDir&) = delete;
    PlanTestDir& operator=(const PlanTestDir&) = delete;

    // A path inside the folder.
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void write(const std::string& name, const std::string& content) const {
        std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
    // The number of entries in the folder.
    int count() const {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_))
            ++n;
        return n;
    }

  private:
    std::filesystem::path dir_;
};

} // namespace corvane::test
