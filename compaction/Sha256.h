#pragma once
// SHA-256 (FIPS 180-4) of a block of bytes, as the record of a run names each
// copy and backup by it: 64 lower-case hexadecimal digits.
#include <cstdint>
#include <string>
#include <vector>

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);
