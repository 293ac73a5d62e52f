#include "ui/settings/BuiltinStrings.h"

#include <algorithm>
#include <iterator>

namespace {

struct StringResource {
    unsigned id;
    std::u16string_view text;
};

// Sorted by identifier.
constexpr StringResource kStrings[] = {
    {kStringOleInitFailed, u"OLE 初始化失败。请确保 OLE 库是正确的版本。"},
    {32784, u"Change the program's options and its language\nOptions"},
    {32786, u"Open the help contents\nContents"},
    {32788, u"Visit the program's web site\nWebsite"},
    {32789, u"Get support on the program's web site\nSupport"},
    {32791, u"Show only what the file type filters let through\nUse Filters"},
    {32792, u"Edit the file type filters\nEdit Filters"},
    {32793, u"Find a file or folder in the list by its name\nFind File"},
    {32794, u"Find the next matching file or folder\nFind Next"},
    {32795, u"Search for files and folders by name, size, date and state\nAdvanced Search"},
    {32796, u"Scan the selected drive for deleted files and folders\nQuick Scan"},
    {32797, u"Examine every cluster of the selected drive for lost files and folders\nFull Scan"},
    {32798, u"Recover the marked files and folders\nRecover"},
    {32799, u"Save the drive information\nSave Drive Info"},
    {32800, u"Open saved drive information\nOpen Drive Info"},
    {32801, u"Open the hex editor\nHex Editor"},
    {32802, u"Look for a newer version of the program\nCheck for Updates"},
    {32803, u"Open the folder\nOpen Folder"},
    {32804, u"Show the folder in the file manager\nExplore Folder"},
    {32805, u"Recover this folder and everything in it\nRecover Folder"},
    {32806, u"Show the properties of the folder\nProperties"},
    {32807, u"Open the file with its associated program\nPreview File"},
    {32808, u"Recover this file\nRecover File"},
    {32809, u"Show the file's data in the hex editor\nOpen by Hex Editor"},
    {32810, u"Show the properties of the file\nProperties"},
    {32816, u"Show or hide the properties view\nProperties View"},
    {32818, u"Use the program's built-in texts\nDefault"},
    {kStringSwitchLanguage, u"Switch to this language."},
    {32870, u"Open a file in the hex editor\nOpen File"},
    {32871, u"Show the first 32 MB of a drive\nOpen Drive"},
    {32872, u"Save the shown data to a file\nSave As"},
    {32873, u"Save the selected bytes to a file\nSave Selection As"},
    {32874, u"Close the hex editor\nClose"},
    {32875, u"Find text or bytes in the data\nFind"},
    {32876, u"Find the next occurrence\nFind Next"},
    {32877, u"Find the previous occurrence\nFind Previous"},
    {32878, u"Search for files and folders in this folder\nSearch Folder"},
    {32879, u"Search the selected drive or folder\nSearch Drive"},
    {32880, u"Display program information, version number and copyright\nAbout"},
    {32881, u"Recover the marked files and folders\nRecover Selected"},
    {32882, u"Show the tips of the day\nTips"},
    {32890, u"Bind a disk image to a free drive letter and show it in the tree\nOpen Image"},
    {32900, u"Tick every row of the list\nTick All"},
    {32901, u"Tick the deleted rows of the list\nTick Deleted"},
    {32902, u"Untick every marked row of the drive\nUntick All"},
    {32903, u"Recover every deleted file and folder of the scanned drive with their folders\n"
            u"Recover Deleted"},
    {32910, u"Search every sector of the selected drive's disk for volumes its partition table "
            u"does not name\nSearch for Lost Volumes"},
    {32911, u"Search every sector of a disk image for lost volumes and show each in the tree\n"
            u"Search Image for Lost Volumes"},
    {kStringIdle, u"Ready"},
    {57664, u"Display program information, version number and copyright\nAbout"},
    {57665, u"Quit the program\nExit"},
    {59392, u"Show or hide the toolbar\nToggle ToolBar"},
    {59393, u"Show or hide the status bar\nToggle StatusBar"},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringResource& a, const StringResource& b) {
                                 return a.id < b.id;
                             }));

} // namespace

std::optional<std::u16string_view> BuiltInString(unsigned id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringResource& r, unsigned key) { return r.id < key; });
    if (it == std::end(kStrings) || it->id != id) return std::nullopt;
    return it->text;
}
