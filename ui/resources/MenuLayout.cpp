#include "ui/resources/MenuLayout.h"

#include "ui/resources/CommandIds.h"

#include <map>

namespace resources {

namespace {

constexpr ItemKind C = ItemKind::kCommand;
constexpr ItemKind S = ItemKind::kSeparator;
constexpr ItemKind P = ItemKind::kPopup;

const std::vector<MenuEntry> kMain = {
    {0, P, 0, u"&File", "", ""},
    {1, C, cmd::kQuickScan, u"&Quick Scan...", "", ""},
    {1, C, cmd::kFullScan, u"&Full Scan...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kRecoverMarked, u"&Recover Selected File(s)/Folder(s)...", "", ""},
    {1, C, cmd::kRecoverAllDeleted, u"Recover &All Deleted Files...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSaveDriveInfo, u"&Save Drive Info...", "", ""},
    {1, C, cmd::kOpenDriveInfo, u"&Open Drive Info...", "", ""},
    {1, C, cmd::kOpenDiskImage, u"Open Disk &Image...", "Ctrl+O", ""},
    {1, C, cmd::kSearchImageSectors, u"Search Disk Image for &Lost Volumes...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kExit, u"E&xit", "", ""},
    {0, P, 0, u"&Edit", "", ""},
    {1, C, cmd::kFindFile, u"&Find File or Folder...", "Ctrl+F", ""},
    {1, C, cmd::kFindNext, u"Find &Next", "F3", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSearchDrive, u"Search &Drive...", "", ""},
    {1, C, cmd::kAdvancedSearch, u"&Advanced Search...", "", ""},
    {0, P, 0, u"&View", "", ""},
    {1, C, cmd::kToolbar, u"&Toolbar", "", ""},
    {1, C, cmd::kStatusbar, u"&Statusbar", "", ""},
    {1, C, cmd::kPropertiesView, u"&Properties View", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kUseFilters, u"&Use Filters", "", ""},
    {1, C, cmd::kEditFilters, u"&Edit Filters...", "", ""},
    {0, P, 0, u"&Tools", "", ""},
    {1, C, cmd::kHexEditor, u"&Hex Editor...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, P, 0, u"&Languages", "", "languages"},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kOptions, u"&Options...", "", ""},
    {0, P, 0, u"&Help", "", ""},
    {1, C, cmd::kHelpContents, u"&Contents...", "F1", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kShowTips, u"Show &tips of the day...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kWebsite, u"&Website", "", ""},
    {1, C, cmd::kCheckUpdates, u"Check for &Updates", "", ""},
    {1, C, cmd::kSupport, u"&Support", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kAbout, u"&About Tessaly...", "", ""},
};

const std::vector<MenuEntry> kFile = {
    {0, P, 0, u"FILE", "", ""},
    {1, C, cmd::kRecoverFile, u"&Recover This File...", "", ""},
    {1, C, cmd::kRecoverSelected, u"Recover Selected File(s)/Folder(s)...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kPreviewFile, u"&Preview File", "", ""},
    {1, C, cmd::kOpenInHexEditor, u"&Open by Hex Editor...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kFileProperties, u"&Properties...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kTickAll, u"&Tick All", "", ""},
    {1, C, cmd::kTickDeleted, u"Tick &Deleted", "", ""},
    {1, C, cmd::kUntickAll, u"&Untick All", "", ""},
};

const std::vector<MenuEntry> kDrive = {
    {0, P, 0, u"DRIVE", "", ""},
    {1, C, cmd::kQuickScan, u"&Quick Scan...", "", ""},
    {1, C, cmd::kFullScan, u"&Full Scan...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSearchDrive, u"Search &Drive...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSaveDriveInfo, u"&Save Drive Info...", "", ""},
    {1, C, cmd::kOpenDriveInfo, u"&Open Drive Info...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kRecoverAllDeleted, u"Recover &All Deleted Files...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSearchDiskSectors, u"Search Disk for &Lost Volumes...", "", ""},
};

const std::vector<MenuEntry> kFolder = {
    {0, P, 0, u"FOLDER", "", ""},
    {1, C, cmd::kOpenFolder, u"&Open Folder", "", ""},
    {1, C, cmd::kExploreFolder, u"&Explore Folder", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kRecoverFolder, u"&Recover This Folder...", "", ""},
    {1, C, cmd::kRecoverSelected, u"Recover Selected File(s)/Folder(s)...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kSearchFolder, u"&Search Folder...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kFolderProperties, u"&Properties...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kTickAll, u"&Tick All", "", ""},
    {1, C, cmd::kTickDeleted, u"Tick &Deleted", "", ""},
    {1, C, cmd::kUntickAll, u"&Untick All", "", ""},
};

const std::vector<MenuEntry> kHex = {
    {0, P, 0, u"&File", "", ""},
    {1, C, cmd::kHexOpenFile, u"&Open File...", "Ctrl+O", ""},
    {1, C, cmd::kHexOpenDrive, u"Open &Drive...", "", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kHexSaveAs, u"Save &As...", "Ctrl+S", ""},
    {1, C, cmd::kHexSaveSelection, u"Save &Selection As...", "Ctrl+Shift+S", ""},
    {1, S, 0, u"", "", ""},
    {1, C, cmd::kHexClose, u"&Close", "Alt+F4", ""},
    {0, P, 0, u"&Edit", "", ""},
    {1, C, cmd::kHexFind, u"&Find...", "Ctrl+F", ""},
    {1, C, cmd::kHexFindNext, u"Find &Next", "F3", ""},
    {1, C, cmd::kHexFindPrevious, u"Find &Previous", "F4", ""},
};

const std::vector<MenuEntry> kNone;

} // namespace

const std::vector<MenuEntry>& MenuEntries(unsigned menuId) {
    switch (menuId) {
    case kMainMenu:
        return kMain;
    case kFileMenu:
        return kFile;
    case kDriveMenu:
        return kDrive;
    case kFolderMenu:
        return kFolder;
    case kHexMenu:
        return kHex;
    default:
        return kNone;
    }
}

const std::vector<unsigned>& MenuIds() {
    static const std::vector<unsigned> ids = {kMainMenu, kFileMenu, kDriveMenu, kFolderMenu,
                                              kHexMenu};
    return ids;
}

const std::vector<unsigned>& ToolbarButtons() {
    static const std::vector<unsigned> buttons = {cmd::kQuickScan,
                                                  cmd::kFullScan,
                                                  cmd::kRecoverMarked,
                                                  0,
                                                  cmd::kFindFile,
                                                  cmd::kAdvancedSearch,
                                                  0,
                                                  cmd::kAboutButton};
    return buttons;
}

const std::vector<unsigned>& RemovedHelpCommands() {
    static const std::vector<unsigned> ids = {cmd::kHelpContents, cmd::kCheckUpdates,
                                              cmd::kSupport};
    return ids;
}

} // namespace resources
