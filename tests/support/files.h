// Whole files in and out, byte for byte, for the tests that compare them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orvelin::testing {

/// Every byte of the file ("" when it cannot be read).
inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Write `text` as the whole file; returns the path.
inline std::string writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace orvelin::testing
