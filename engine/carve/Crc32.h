#pragma once
// The CRC-32 of PNG chunks and ZIP members (reflected polynomial 0xEDB88320).
#include <cstddef>
#include <cstdint>

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0);
