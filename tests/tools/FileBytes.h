// The bytes of the files the tools write, read as a loader reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Little-endian words at a byte offset.
inline std::uint32_t ReadU16(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

inline std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return ReadU16(bytes, at) | (ReadU16(bytes, at + 2) << 16);
}

// The whole file; empty when it cannot be read.
inline std::vector<std::uint8_t> ReadFileBytes(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
