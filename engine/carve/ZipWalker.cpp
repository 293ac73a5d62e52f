// ZIP and the formats packed in it (DOCX/XLSX/PPTX, ODT/ODS/ODP, JAR/APK, EPUB). The local
// file headers are walked to the central directory, every central entry must name a local
// header that was walked, with the same name, and the end-of-central-directory record must
// agree on where the directory starts and how many entries it has. The extension is taken
// from the members' names and, for the OpenDocument family and EPUB, the "mimetype" member.
#include "engine/carve/CarveFormats.h"

#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kLocal = 0x04034b50;
constexpr uint32_t kCentral = 0x02014b50;
constexpr uint32_t kDescriptor = 0x08074b50;
constexpr uint32_t kEnd = 0x06054b50;
constexpr uint32_t kEnd64 = 0x06064b50;
constexpr uint32_t kLocator64 = 0x07064b50;
constexpr size_t kMaxMembers = 1u << 18;

// The 64-bit sizes of a ZIP64 extra field (0x0001), for the 32-bit fields that hold 0xFFFFFFFF.
void Zip64Sizes(CarveReader& r, uint64_t extra, uint16_t length, uint64_t& uncompressed,
                uint64_t& compressed, bool wantUncompressed, bool wantCompressed) {
    uint64_t at = extra;
    const uint64_t end = extra + length;
    while (at + 4 <= end) {
        uint16_t id = 0, size = 0;
        if (!r.U16LE(at, id) || !r.U16LE(at + 2, size)) return;
        if (id == 0x0001) {
            uint64_t field = at + 4;
            if (wantUncompressed && field + 8 <= at + 4 + size && r.U64LE(field, uncompressed))
                field += 8;
            if (wantCompressed && field + 8 <= at + 4 + size) r.U64LE(field, compressed);
            return;
        }
        at += 4ull + size;
    }
}

std::string NameAt(CarveReader& r, uint64_t at, uint16_t length) {
    std::string name(length, '\0');
    if (length && !r.Read(at, name.data(), length)) return {};
    return name;
}

std::string ExtensionOf(const std::vector<std::string>& names, const std::string& mimetype) {
    auto has = [&](const char* prefix) {
        for (const std::string& n : names)
            if (n.rfind(prefix, 0) == 0) return true;
        return false;
    };
    if (mimetype == "application/epub+zip") return "epub";
    if (mimetype.rfind("application/vnd.oasis.opendocument.", 0) == 0) {
        const std::string kind = mimetype.substr(35);
        if (kind == "text") return "odt";
        if (kind == "spreadsheet") return "ods";
        if (kind == "presentation") return "odp";
        if (kind == "graphics") return "odg";
        return "odf";
    }
    if (has("[Content_Types].xml")) {
        if (has("word/")) return "docx";
        if (has("xl/")) return "xlsx";
        if (has("ppt/")) return "pptx";
    }
    if (has("AndroidManifest.xml") && has("classes")) return "apk";
    if (has("META-INF/MANIFEST.MF")) return "jar";
    return "zip";
}

} // namespace

std::optional<CarvedFile> WalkZip(CarveReader& r) {
    std::map<uint64_t, std::string> locals; // header offset -> name
    std::string mimetype;
    uint64_t pos = 0;
    uint32_t sig = 0;
    for (;;) {
        if (!r.U32LE(pos, sig)) return std::nullopt;
        if (sig == kCentral && !locals.empty()) break;
        if (sig != kLocal || locals.size() >= kMaxMembers) return std::nullopt;
        uint16_t flags = 0, method = 0, nameLength = 0, extraLength = 0;
        uint32_t c32 = 0, u32 = 0;
        if (!r.U16LE(pos + 6, flags) || !r.U16LE(pos + 8, method) || !r.U32LE(pos + 18, c32) ||
            !r.U32LE(pos + 22, u32) || !r.U16LE(pos + 26, nameLength) ||
            !r.U16LE(pos + 28, extraLength))
            return std::nullopt;
        uint64_t compressed = c32, uncompressed = u32;
        const uint64_t extra = pos + 30 + nameLength;
        if (c32 == 0xFFFFFFFFu || u32 == 0xFFFFFFFFu)
            Zip64Sizes(r, extra, extraLength, uncompressed, compressed, u32 == 0xFFFFFFFFu,
                       c32 == 0xFFFFFFFFu);
        const std::string name = NameAt(r, pos + 30, nameLength);
        if (name.empty()) return std::nullopt;
        const uint64_t data = extra + extraLength;
        if (data > r.Limit()) return std::nullopt;
        if (locals.empty() && name == "mimetype" && method == 0 && compressed < 100) {
            mimetype.assign(static_cast<size_t>(compressed), '\0');
            if (!r.Read(data, mimetype.data(), mimetype.size())) return std::nullopt;
        }
        locals.emplace(pos, name);
        uint64_t next = 0;
        if ((flags & 0x08) && compressed == 0) {
            // Sizes follow the data in a descriptor: the first descriptor whose compressed size
            // matches the distance to it ends this member.
            uint64_t at = data;
            for (;;) {
                at = r.Find(at, r.Limit(), "PK\x07\x08", 4);
                if (at == CarveReader::kNotFound) return std::nullopt;
                uint32_t size32 = 0;
                uint64_t size64 = 0;
                if (r.U32LE(at + 8, size32) && size32 == at - data) {
                    next = at + 16;
                    break;
                }
                if (r.U64LE(at + 8, size64) && size64 == at - data) {
                    next = at + 24;
                    break;
                }
                at += 4;
            }
        } else {
            if (compressed > r.Limit() - data) return std::nullopt;
            next = data + compressed;
            if (flags & 0x08) { // a descriptor follows, with or without its signature
                uint32_t s = 0;
                next += (r.U32LE(next, s) && s == kDescriptor) ? 16 : 12;
            }
        }
        pos = next;
    }

    // The central directory: one entry per local header.
    const uint64_t centralStart = pos;
    std::vector<std::string> names;
    while (r.U32LE(pos, sig) && sig == kCentral) {
        uint16_t nameLength = 0, extraLength = 0, commentLength = 0;
        uint32_t local32 = 0, c32 = 0, u32 = 0;
        if (!r.U32LE(pos + 20, c32) || !r.U32LE(pos + 24, u32) || !r.U16LE(pos + 28, nameLength) ||
            !r.U16LE(pos + 30, extraLength) || !r.U16LE(pos + 32, commentLength) ||
            !r.U32LE(pos + 42, local32))
            return std::nullopt;
        uint64_t local = local32;
        if (local32 == 0xFFFFFFFFu) {
            // The ZIP64 field lists the sizes that overflowed first, then the offset.
            const uint64_t extra = pos + 46 + nameLength;
            uint64_t at = extra;
            bool found = false;
            while (at + 4 <= extra + extraLength && !found) {
                uint16_t id = 0, size = 0;
                if (!r.U16LE(at, id) || !r.U16LE(at + 2, size)) return std::nullopt;
                if (id == 0x0001) {
                    const uint64_t skip =
                        (u32 == 0xFFFFFFFFu ? 8 : 0) + (c32 == 0xFFFFFFFFu ? 8 : 0);
                    if (skip + 8 > size || !r.U64LE(at + 4 + skip, local)) return std::nullopt;
                    found = true;
                }
                at += 4ull + size;
            }
            if (!found) return std::nullopt;
        }
        const std::string name = NameAt(r, pos + 46, nameLength);
        const auto it = locals.find(local);
        if (it == locals.end() || it->second != name) return std::nullopt;
        names.push_back(name);
        if (names.size() > locals.size()) return std::nullopt;
        pos += 46ull + nameLength + extraLength + commentLength;
    }
    if (names.size() != locals.size()) return std::nullopt;
    const uint64_t centralEnd = pos;

    bool zip64 = false;
    if (r.U32LE(pos, sig) && sig == kEnd64) {
        uint64_t size = 0;
        if (!r.U64LE(pos + 4, size) || size > r.Limit()) return std::nullopt;
        pos += 12 + size;
        if (!r.U32LE(pos, sig) || sig != kLocator64) return std::nullopt;
        pos += 20;
        zip64 = true;
    }
    uint16_t entries = 0, commentLength = 0;
    uint32_t centralSize = 0, centralOffset = 0;
    if (!r.U32LE(pos, sig) || sig != kEnd || !r.U16LE(pos + 10, entries) ||
        !r.U32LE(pos + 12, centralSize) || !r.U32LE(pos + 16, centralOffset) ||
        !r.U16LE(pos + 20, commentLength))
        return std::nullopt;
    if (!(zip64 && entries == 0xFFFF) && entries != (names.size() & 0xFFFF)) return std::nullopt;
    if (!zip64 || centralOffset != 0xFFFFFFFFu) {
        if (centralOffset != centralStart || centralSize != centralEnd - centralStart)
            return std::nullopt;
    }
    const uint64_t end = pos + 22 + commentLength;
    if (end > r.Limit()) return std::nullopt;
    return CarvedFile{end, ExtensionOf(names, mimetype)};
}
