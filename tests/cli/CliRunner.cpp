#include "tests/cli/CliRunner.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace tessaly::test {

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& input,
                 const std::vector<std::string>& env) {
    TempDir io;
    std::ofstream(io.File("in")) << input;
    // The user's own settings stay out of the tests.
    std::string command = "TZ=UTC XDG_CONFIG_HOME=" + Quote(io.File("config"));
    for (const auto& e : env) {
        const auto eq = e.find('=');
        command += " " + e.substr(0, eq + 1) + Quote(e.substr(eq + 1));
    }
    // A command that hangs (a source that never answers) fails the test instead of the run.
    command += " timeout -k 5 120 " + Quote(TESSALY_CLI);
    for (const auto& a : args)
        command += " " + Quote(a);
    command +=
        " <" + Quote(io.File("in")) + " >" + Quote(io.File("out")) + " 2>" + Quote(io.File("err"));
    const int raw = std::system(command.c_str());
    CliResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadAll(io.File("out"));
    r.err = ReadAll(io.File("err"));
    return r;
}

std::vector<JsonRowValues> ParseJsonLines(const std::string& out) {
    std::vector<JsonRowValues> rows;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] != '{') throw std::runtime_error("not a JSON row: " + line);
        JsonRowValues row;
        size_t i = 1;
        auto readString = [&](std::string& s) {
            ++i; // opening quote
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char e = line[++i];
                    s += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                } else {
                    s += line[i];
                }
                ++i;
            }
            ++i; // closing quote
        };
        while (i < line.size() && line[i] != '}') {
            std::string key;
            readString(key);
            ++i; // colon
            if (line[i] == '"') {
                std::string value;
                readString(value);
                row.text[key] = value;
            } else {
                size_t end = line.find_first_of(",}", i);
                const std::string value = line.substr(i, end - i);
                if (value != "null") row.number[key] = std::stoll(value); // null: no entry
                i = end;
            }
            if (line[i] == ',') ++i;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string VolumePath(char letter, const std::string& manifestPath) {
    std::string p = std::string(1, letter) + ":\\" + manifestPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

FileSnapshot Snapshot(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {Md5OfFile(path), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

} // namespace tessaly::test
