#pragma once

// The LandXML 1.2 schema's verdict on a document the program wrote, from xmllint (Debian's
// libxml2-utils), so every exported file in the tests is checked by a reader that is not ours.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace corvane::test {

// Empty when the text is valid LandXML 1.2; otherwise xmllint's own messages.
inline std::string LandXmlSchemaErrors(const std::string& text) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("corvane_landxml_" + std::to_string(stamp) + "_" + std::to_string(counter++) + ".xml");
    std::ofstream(file, std::ios::binary) << text;
    const std::string command = "xmllint --noout --nonet --schema '" CORVANE_SOURCE_DIR
                                "/tests/data/landxml/LandXML-1.2.xsd' '" +
                                file.string() + "' 2>&1";
    std::string output;
    int status = -1;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            output.append(buffer.data(), n);
        status = pclose(pipe);
    }
    std::filesystem::remove(file);
    if (status == 0)
        return {};
    return output.empty() ? "xmllint could not be run: " + command : output;
}

} // namespace corvane::test
