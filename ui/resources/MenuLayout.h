#pragma once
// The menus of the program: the main menu (resource 128), the FILE (141), DRIVE (154) and
// FOLDER (155) context menus and the hex viewer's menu (157), item by item in order. An item's
// position in its pop-up is fixed here once: language files translate pop-ups by position
// ("|2|4" is the fifth item of the third top-level pop-up) and commands by identifier.
// menus.md beside this file lists the same positions for translators.
#include <cstdint>
#include <string_view>
#include <vector>

namespace resources {

inline constexpr unsigned kMainMenu = 128;
inline constexpr unsigned kFileMenu = 141;
inline constexpr unsigned kDriveMenu = 154;
inline constexpr unsigned kFolderMenu = 155;
inline constexpr unsigned kHexMenu = 157;

enum class ItemKind { kCommand, kSeparator, kPopup };

struct MenuEntry {
    int depth; // 0 top level, 1 inside a top-level pop-up, ...
    ItemKind kind;
    unsigned id;               // command identifier (0 for separators and pop-ups)
    std::u16string_view text;  // built-in text, "&" marks the access key
    std::string_view shortcut; // key sequence in portable text form, or empty
    std::string_view tag;      // a name for pop-ups filled at run time ("languages")
};

// The entries of a menu resource in order (empty for an unknown identifier).
const std::vector<MenuEntry>& MenuEntries(unsigned menuId);
// Every menu resource identifier above.
const std::vector<unsigned>& MenuIds();

// Toolbar 128: command identifiers in order, 0 for a separator.
const std::vector<unsigned>& ToolbarButtons();

// Commands of the Help menu removed when the main window is created.
const std::vector<unsigned>& RemovedHelpCommands();

} // namespace resources
