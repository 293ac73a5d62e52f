#include "engine/partition/PartitionTypes.h"

#include <cstdio>
#include <string_view>

namespace partition {

namespace {

struct MbrName {
    uint8_t type;
    const char* name;
};

constexpr MbrName kMbrNames[] = {
    {0x01, "FAT12"},           {0x04, "FAT16 <32M"},   {0x05, "extended"},
    {0x06, "FAT16"},           {0x07, "NTFS/exFAT"},   {0x0B, "FAT32"},
    {0x0C, "FAT32 LBA"},       {0x0E, "FAT16 LBA"},    {0x0F, "extended LBA"},
    {0x11, "hidden FAT12"},    {0x12, "recovery"},     {0x14, "hidden FAT16 <32M"},
    {0x16, "hidden FAT16"},    {0x17, "hidden NTFS"},  {0x1B, "hidden FAT32"},
    {0x1C, "hidden FAT32"},    {0x1E, "hidden FAT16"}, {0x27, "hidden recovery"},
    {0x42, "Windows dynamic"}, {0x82, "Linux swap"},   {0x83, "Linux"},
    {0x85, "Linux extended"},  {0x8E, "Linux LVM"},    {0xA5, "FreeBSD"},
    {0xA6, "OpenBSD"},         {0xA8, "Apple UFS"},    {0xA9, "NetBSD"},
    {0xAB, "Apple boot"},      {0xAF, "HFS/HFS+"},     {0xEE, "GPT protective"},
    {0xEF, "EFI System"},      {0xFB, "VMware VMFS"},  {0xFD, "Linux RAID"},
};

struct GptName {
    std::string_view guid;
    const char* name;
};

constexpr GptName kGptNames[] = {
    {"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "EFI System"},
    {"21686148-6449-6E6F-744E-656564454649", "BIOS boot"},
    {"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", "Microsoft reserved"},
    {"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", "Microsoft basic data"},
    {"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", "Windows recovery"},
    {"5808C8AA-7E8F-42E0-85D2-E1E90434CFB3", "Windows LDM metadata"},
    {"AF9B60A0-1431-4F62-BC68-3311714A69AD", "Windows LDM data"},
    {"E75CAF8F-F680-4CEE-AFA3-B001E56EFC2D", "Windows storage spaces"},
    {"0FC63DAF-8483-4772-8E79-3D69D8477DE4", "Linux filesystem"},
    {"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", "Linux swap"},
    {"E6D6D379-F507-44C2-A23C-238F2A3DF928", "Linux LVM"},
    {"A19D880F-05FC-4D3B-A006-743F0F84911E", "Linux RAID"},
    {"933AC7E1-2EB4-4F13-B844-0E14E2AEF915", "Linux home"},
    {"4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709", "Linux root (x86-64)"},
    {"48465300-0000-11AA-AA11-00306543ECAC", "Apple HFS+"},
    {"7C3457EF-0000-11AA-AA11-00306543ECAC", "Apple APFS"},
    {"516E7CB4-6ECF-11D6-8FF8-00022D09712B", "FreeBSD"},
    {"AA31E02A-400F-11DB-9590-000C2911D1B8", "VMware VMFS"},
};

} // namespace

std::string MbrTypeText(uint8_t type) {
    char text[16];
    std::snprintf(text, sizeof text, "type 0x%02X", type);
    std::string out = text;
    for (const auto& entry : kMbrNames) {
        if (entry.type == type) {
            out += " (";
            out += entry.name;
            out += ")";
            break;
        }
    }
    return out;
}

bool IsExtendedType(uint8_t type) {
    return type == 0x05 || type == 0x0F || type == 0x85;
}

std::string GuidText(const uint8_t* g) {
    char text[40];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", g[3],
                  g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13],
                  g[14], g[15]);
    return text;
}

std::string GptTypeText(const uint8_t* typeGuid) {
    const std::string guid = GuidText(typeGuid);
    for (const auto& entry : kGptNames)
        if (entry.guid == guid) return entry.name;
    return guid;
}

} // namespace partition
