#include "ui/settings/Locations.h"

#include "ui/settings/Ini.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path DataFolderNear(const fs::path& programFolder) {
    return programFolder.parent_path() / "share" / "tessaly";
}

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The value of an environment variable, or empty.
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

fs::path ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path DataFolder() {
    if (std::string over = Environment("TESSALY_DATA_DIR"); !over.empty()) return fs::path(over);
    fs::path local = DataFolderNear(ProgramFolder());
    if (IsDirectory(local)) return local;
#ifdef TESSALY_DATA_DIR
    if (IsDirectory(TESSALY_DATA_DIR)) return fs::path(TESSALY_DATA_DIR);
#endif
    return local;
}

fs::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return fs::path(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return fs::path(pw->pw_dir);
    return fs::path("/");
}

fs::path ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return fs::path(xdg);
    return HomeFolder() / ".config";
}

fs::path ChooseSettingsFile(const fs::path& programFolder, const fs::path& configHome) {
    fs::path portable = programFolder / "Options.ini";
    if (Exists(portable)) return portable;
    if (IsFolderWritable(programFolder) && !IsDirectory(DataFolderNear(programFolder)))
        return portable;
    return configHome / "tessaly" / "Options.ini";
}

fs::path SettingsFilePath() {
    if (std::string over = Environment("TESSALY_SETTINGS_FILE"); !over.empty())
        return fs::path(over);
    return ChooseSettingsFile(ProgramFolder(), ConfigHome());
}

fs::path LanguageFolder() {
    if (!Environment("TESSALY_DATA_DIR").empty()) return DataFolder() / "Language";
    fs::path local = ProgramFolder() / "Language";
    return IsDirectory(local) ? local : DataFolder() / "Language";
}

fs::path TipsFilePath() {
    if (!Environment("TESSALY_DATA_DIR").empty()) return DataFolder() / "Tips.txt";
    fs::path local = ProgramFolder() / "Tips.txt";
    return Exists(local) ? local : DataFolder() / "Tips.txt";
}

fs::path DefaultRecoveryFolder() {
    return HomeFolder() / "Tessaly Recovered";
}

fs::path SettingsFolder() {
    return CIni::Instance().Path().parent_path();
}

bool QuietStart() {
    const std::string value = Environment("TESSALY_QUIET_START");
    return !value.empty() && value != "0";
}

bool IsFolderWritable(const fs::path& folder) {
    fs::path p = folder.empty() ? fs::path(".") : folder;
    while (!Exists(p)) {
        fs::path parent = p.parent_path();
        if (parent.empty() || parent == p) return false;
        p = parent;
    }
    return IsDirectory(p) && ::access(p.c_str(), W_OK | X_OK) == 0;
}

bool IsSettingsFileWritable(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 &&
        ((st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0))
        return false;
    return IsFolderWritable(file.parent_path());
}

bool IsSettingsWritable() {
    return IsSettingsFileWritable(CIni::Instance().Path());
}
