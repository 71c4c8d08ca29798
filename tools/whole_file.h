#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// Writes bytes as the whole of the file at path; false, with the reason on
// standard error under the tool's name, when it cannot be created or written.
inline bool writeWholeFile(const char* tool, const char* path,
                           const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "%s: cannot create %s\n", tool, path);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "%s: could not write %s\n", tool, path);
        return false;
    }
    return true;
}
