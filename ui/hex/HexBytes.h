#pragma once
// What the hex viewer does with bytes, without windows: how a row is written (address, hex
// digits, characters in the ANSI code page), how much of a found item is read and shown, how
// typed text is searched for, and how files, drives and found items are read. Every source is
// opened read-only through the platform's raw device layer and read in 4 MiB blocks; nothing
// larger than 32 MiB is ever held.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hexview {

inline constexpr uint32_t kBytesPerRow = 16;
inline constexpr uint64_t kMaxShown = 33554432; // 32 MiB
inline constexpr uint64_t kReadBlock = 4194304; // 4 MiB
inline constexpr uint32_t kSectorSize = 512;

// The character a byte is drawn as: bytes 0x20-0x7E, 0xA0-0xFF, 0x91 and 0x92 as the
// character they stand for in the ANSI code page (Windows-1252); every other byte as '.'.
char16_t DisplayChar(uint8_t byte);
// The Windows-1252 byte of a character, or -1 when the code page has none.
int AnsiByte(char16_t ch);

// "0000ABCD": eight upper-case hexadecimal digits.
std::string AddressText(uint64_t address);

// One row of 16 bytes as drawn: the address of its first byte, the bytes as pairs of digits
// separated by single blanks, and the bytes as characters. A last row may be shorter.
struct RowText {
    std::string address;
    std::string hex;
    std::u16string chars;
};
RowText FormatRow(const uint8_t* data, std::size_t size, uint64_t row);
// Number of rows for size bytes.
uint64_t RowCount(uint64_t size);

// How much of a found item is shown and read: the size capped at 32 MiB (also when it does not
// fit in 32 bits); the read rounded up to whole 512-byte sectors, at least one; an item under
// 512 bytes shows its whole first sector.
struct ItemLengths {
    uint64_t shown = 0;
    uint64_t read = 0;
};
ItemLengths ItemViewLengths(uint64_t size);

// The bytes searched for typed text: Windows-1252 when every character has a byte there,
// otherwise UTF-8 (a name in a script the code page lacks is then still found in UTF-8 data).
std::string PatternBytes(std::u16string_view typed);
// Folds letters to lower case as Windows-1252 has them (ASCII, the accented Latin letters,
// Š Œ Ž Ÿ); other bytes are returned unchanged.
uint8_t FoldCase(uint8_t byte);
// First match starting at or after from; -1 when none.
int64_t FindForward(const uint8_t* data, std::size_t size, std::string_view pattern, uint64_t from,
                    bool matchCase);
// Last match starting at or before from (from may lie anywhere, also past the end); -1 when
// none or when from is negative.
int64_t FindBackward(const uint8_t* data, std::size_t size, std::string_view pattern, int64_t from,
                     bool matchCase);

// Bytes read from a source.
struct Loaded {
    bool ok = false;
    std::string error;          // why the source could not be opened (the system's words)
    std::string source;         // the image or device path read
    std::vector<uint8_t> bytes; // what is shown
    uint64_t sourceSize = 0;    // size of the file or device (0 when unknown)
    uint64_t delivered = 0;     // bytes the source delivered of those read
};

// The first 32 MiB of a file or block device (pipes, sockets and character devices are
// refused: they cannot be read at an offset and may never end).
Loaded ReadFileHead(const std::string& path);
// The first 32 MiB of the source bound to a drive letter; less when the volume is smaller.
Loaded ReadDriveHead(char letter);
// A found item's bytes: lengths by ItemViewLengths from byte offset on the drive. What lies
// past the end of the volume is not shown.
Loaded ReadItem(char letter, uint64_t offset, uint64_t size);

} // namespace hexview
