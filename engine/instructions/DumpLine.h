// The dump-line formatter: an address, 16 bytes in hexadecimal and the same bytes as
// Shift-JIS text.
#pragma once

#include <cstdint>
#include <string>

// "%08x  " with the address, then "%02x " for each byte, then the text column: bytes
// below 0x20 and 0x80 as ".", single-byte characters as themselves, a lead byte with
// its trail byte as one double-byte character (two spaces when the next byte cannot
// be a trail byte), and a lead byte in the last column as a space.
std::string FormatDumpLine(uint32_t address, const uint8_t (&bytes)[16]);
