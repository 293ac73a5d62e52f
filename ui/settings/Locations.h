#pragma once
// Where the program finds its files on this platform.
//
// - Program folder: the folder of the running executable.
// - Settings file "Options.ini": in the program folder for a portable copy, that is when the
//   file already exists there, or when the folder is writable and the program is not an
//   installed one (no share/tessaly beside it); otherwise $XDG_CONFIG_HOME/tessaly/
//   (default ~/.config/tessaly/). An installed program run by root thus never writes into bin/.
// - Language files ("Language" folder) and "Tips.txt": from the program folder when present
//   there, else from the data folder.
// - Data folder: ../share/tessaly beside the program folder, else the installed
//   <prefix>/share/tessaly.
// - Default recovery folder: "Tessaly Recovered" in the user's home folder.
//
// Overrides from the environment, for tests and for running a copy with its own files:
// - TESSALY_SETTINGS_FILE: the settings file to use instead.
// - TESSALY_DATA_DIR: the data folder; its "Language" folder and "Tips.txt" are then used even
//   when the program folder holds its own.
// - TESSALY_QUIET_START (any non-empty value but "0"): no tips dialog at start-up and no
//   network check of the news page (QuietStart()).
#include <filesystem>
#include <string>

std::filesystem::path ProgramFolder();
std::filesystem::path DataFolder();
std::filesystem::path SettingsFilePath();
std::filesystem::path LanguageFolder();
std::filesystem::path TipsFilePath();
std::filesystem::path DefaultRecoveryFolder();
// The folder of the settings file: where the window also keeps its layout.
std::filesystem::path SettingsFolder();
// Whether start-up must leave out the tips dialog and the network check (see above).
bool QuietStart();

// The user's home folder ($HOME, else the password database).
std::filesystem::path HomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::filesystem::path ConfigHome();

// The settings file for a program in programFolder (rules above).
std::filesystem::path ChooseSettingsFile(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& configHome);

// Whether files can be created in folder; a folder that does not exist yet counts as writable
// when its nearest existing parent is.
bool IsFolderWritable(const std::filesystem::path& folder);

// Whether file can be written: an existing file needs write permission (and at least one write
// permission bit, so that a file made read-only stays so even for root), and its folder must be
// writable (see IsFolderWritable).
bool IsSettingsFileWritable(const std::filesystem::path& file);
// IsSettingsFileWritable for the settings file in use. Called before the Options and filter
// dialogs save; a false answer is a warning only.
bool IsSettingsWritable();
