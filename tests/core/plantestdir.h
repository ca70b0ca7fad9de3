#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

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

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Writes the bytes as given, making any folder the name passes through.
    void write(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories((dir_ / name).parent_path());
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) const {
        std::ostringstream ss;
        ss << std::ifstream(dir_ / name, std::ios::binary).rdbuf();
        return ss.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
    // The names in the folder (or a folder inside it), sorted.
    std::vector<std::string> names(const std::string& folder = "") const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(dir_ / folder))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    std::filesystem::path dir_;
};

// A result's refusal as "title: message" ("ok" when it succeeded), to check in one line.
template <typename R> std::string ErrorText(const R& r) {
    return r.ok() ? "ok" : r.error().title + ": " + r.error().message;
}

// Passes when the result was refused with this title and a message holding `part`.
template <typename R>
::testing::AssertionResult Refused(const R& r, const std::string& title,
                                   const std::string& part = "") {
    if (!r.ok() && r.error().title == title && r.error().message.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ErrorText(r);
}

} // namespace corvane::test
