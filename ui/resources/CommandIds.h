#pragma once
// Command identifiers of the menus, the toolbar and the context menus.
namespace resources::cmd {

// Main frame (menu 128, toolbar 128).
inline constexpr unsigned kOptions = 32784;
inline constexpr unsigned kHelpContents = 32786;
inline constexpr unsigned kWebsite = 32788;
inline constexpr unsigned kSupport = 32789;
inline constexpr unsigned kUseFilters = 32791;
inline constexpr unsigned kEditFilters = 32792;
inline constexpr unsigned kFindFile = 32793;
inline constexpr unsigned kFindNext = 32794;
inline constexpr unsigned kAdvancedSearch = 32795;
inline constexpr unsigned kQuickScan = 32796;
inline constexpr unsigned kFullScan = 32797;
inline constexpr unsigned kRecoverMarked = 32798;
inline constexpr unsigned kSaveDriveInfo = 32799;
inline constexpr unsigned kOpenDriveInfo = 32800;
inline constexpr unsigned kHexEditor = 32801;
inline constexpr unsigned kCheckUpdates = 32802;
inline constexpr unsigned kPropertiesView = 32816;
inline constexpr unsigned kSearchDrive = 32879;
inline constexpr unsigned kAboutButton = 32880;
inline constexpr unsigned kShowTips = 32882;
// Binds a disk image to the first free letter and adds it to the tree.
inline constexpr unsigned kOpenDiskImage = 32890;
// Search every sector for lost volumes: of the selected drive's disk, or of a chosen image.
inline constexpr unsigned kSearchDiskSectors = 32910;
inline constexpr unsigned kSearchImageSectors = 32911;
inline constexpr unsigned kAbout = 57664;
inline constexpr unsigned kExit = 57665;
inline constexpr unsigned kToolbar = 59392;
inline constexpr unsigned kStatusbar = 59393;

// File list and tree context menus (141 FILE, 154 DRIVE, 155 FOLDER).
inline constexpr unsigned kOpenFolder = 32803;
inline constexpr unsigned kExploreFolder = 32804;
inline constexpr unsigned kRecoverFolder = 32805;
inline constexpr unsigned kFolderProperties = 32806;
inline constexpr unsigned kPreviewFile = 32807;
inline constexpr unsigned kRecoverFile = 32808;
inline constexpr unsigned kOpenInHexEditor = 32809;
inline constexpr unsigned kFileProperties = 32810;
inline constexpr unsigned kSearchFolder = 32878;
inline constexpr unsigned kRecoverSelected = 32881;
// Ticks of the file list (menus 141 and 155): every row, the deleted rows, none.
inline constexpr unsigned kTickAll = 32900;
inline constexpr unsigned kTickDeleted = 32901;
inline constexpr unsigned kUntickAll = 32902;
// Every deleted file and folder of the scanned drive, with their folders (menus 128, 154).
inline constexpr unsigned kRecoverAllDeleted = 32903;

// Language menu items: 32818 "Default", then one per language file.
inline constexpr unsigned kLanguageDefault = 32818;

// Hex viewer (menu 157).
inline constexpr unsigned kHexOpenFile = 32870;
inline constexpr unsigned kHexOpenDrive = 32871;
inline constexpr unsigned kHexSaveAs = 32872;
inline constexpr unsigned kHexSaveSelection = 32873;
inline constexpr unsigned kHexClose = 32874;
inline constexpr unsigned kHexFind = 32875;
inline constexpr unsigned kHexFindNext = 32876;
inline constexpr unsigned kHexFindPrevious = 32877;

} // namespace resources::cmd
