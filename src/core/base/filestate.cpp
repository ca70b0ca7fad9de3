#include "core/base/filestate.h"

#include "core/base/textfile.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <openssl/evp.h>

namespace fs = std::filesystem;

namespace corvane {

Result<FileState> ReadFileState(const std::string& path, bool hash) {
    FileState state;
    const std::string resolved = ResolveFileName(path);
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(resolved), ec);
    if (ec || !fs::is_regular_file(status))
        return state;
    state.Exists = true;
    state.Size = fs::file_size(fs::path(resolved), ec);
    const auto modified = fs::last_write_time(fs::path(resolved), ec);
    if (!ec) {
        const auto system = std::chrono::file_clock::to_sys(modified);
        state.ModifiedNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(system.time_since_epoch()).count();
    }
    if (hash) {
        auto content = ReadTextFile(resolved);
        if (!content)
            return content.error();
        state.Size = content.value().size();
        state.Sha256 = Sha256Hex(content.value());
    }
    return state;
}

std::string Sha256Hex(std::string_view content) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(content.data(), content.size(), digest, &length, EVP_sha256(), nullptr);
    static const char* const kHex = "0123456789abcdef";
    std::string text;
    text.reserve(std::size_t{2} * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return local;
}

std::string LocalTimeText(std::int64_t nanosecondsSince1970) {
    const std::tm local = LocalTime(static_cast<std::time_t>(nanosecondsSince1970 / 1000000000));
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    return text;
}

} // namespace corvane
