#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace tessaly::test {

bool ManifestEntry::HasFlag(const std::string& flag) const {
    for (const auto& f : flags)
        if (f == flag) return true;
    return false;
}

const ManifestEntry* TestVolume::Find(const std::string& path) const {
    for (const auto& e : entries)
        if (e.path == path) return &e;
    return nullptr;
}

std::string VolumesDir() {
    if (const char* env = std::getenv("TESSALY_VOLUMES")) return env;
    return TESSALY_VOLUMES_DIR;
}

namespace {

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    return parts;
}

// Manifest lines: kind(f|d) TAB state(live|deleted) TAB size TAB md5 TAB mtime TAB flags TAB
// path; flags are comma-separated or "-". Lines starting with '#' are comments.
TestVolume Load(const std::string& name) {
    TestVolume v;
    v.image = VolumesDir() + "/" + name + ".img";
    v.manifest = VolumesDir() + "/" + name + ".manifest";
    std::ifstream in(v.manifest);
    if (!in)
        throw std::runtime_error("missing test volume manifest " + v.manifest +
                                 " (run scripts/make-test-volumes)");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        auto f = Split(line, '\t');
        if (f.size() < 7) throw std::runtime_error("bad manifest line: " + line);
        ManifestEntry e;
        e.isDir = f[0] == "d";
        e.deleted = f[1] == "deleted";
        e.size = std::stoull(f[2]);
        e.md5 = f[3];
        e.mtime = std::stoll(f[4]);
        if (f[5] != "-") e.flags = Split(f[5], ',');
        e.path = f[6];
        for (size_t i = 7; i < f.size(); ++i) // a tab inside a name
            e.path += "\t" + f[i];
        v.entries.push_back(std::move(e));
    }
    return v;
}

} // namespace

const TestVolume& LoadVolume(const std::string& name) {
    static std::mutex lock;
    static std::map<std::string, TestVolume> loaded;
    std::lock_guard<std::mutex> guard(lock);
    auto it = loaded.find(name);
    if (it == loaded.end()) it = loaded.emplace(name, Load(name)).first;
    return it->second;
}

std::string Md5OfBytes(const void* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data, size, digest, &len, EVP_md5(), nullptr);
    std::string hex;
    char buf[3];
    for (unsigned int i = 0; i < len; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", digest[i]);
        hex += buf;
    }
    return hex;
}

std::string Md5OfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "";
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Md5OfBytes(bytes.data(), bytes.size());
}

} // namespace tessaly::test
