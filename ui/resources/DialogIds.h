#pragma once
// Dialog template identifiers and the control identifiers of the dialogs built so far. A
// language file translates a control under [template] with the control identifier as key; the
// dialog itself is control 0 (its caption). dialogs.md beside this file lists them.
namespace resources::dlg {

inline constexpr unsigned kIdOk = 1;
inline constexpr unsigned kIdCancel = 2;
inline constexpr unsigned kCaption = 0;

// 100: About.
inline constexpr unsigned kAbout = 100;
inline constexpr unsigned kAboutProduct = 1060;   // "Tessaly Version 2.1"
inline constexpr unsigned kAboutCopyright = 1061; // copyright line
inline constexpr unsigned kAboutSiteLabel = 1062; // "Web site:"
inline constexpr unsigned kAboutLink = 1063;      // hyperlink to the web site
inline constexpr unsigned kAboutLog = 1025;       // change log

// 145: progress.
inline constexpr unsigned kProgress = 145;
inline constexpr unsigned kProgressBar = 1003;
inline constexpr unsigned kProgressStatus = 1004;
inline constexpr unsigned kProgressElapsed = 1005;
inline constexpr unsigned kProgressRemaining = 1006;
inline constexpr unsigned kProgressCounter = 1080;

// 156: hex viewer (its caption; the menu is menu 157).
inline constexpr unsigned kHexViewer = 156;

// 159: drive picker.
inline constexpr unsigned kSelectDrive = 159;
inline constexpr unsigned kSelectDriveList = 1000;
inline constexpr unsigned kSelectDriveLabel = 1001; // "Local drives on this computer"

// 160: the hex viewer's find dialog.
inline constexpr unsigned kHexFind = 160;
inline constexpr unsigned kHexFindLabel = 1054; // "Fi&nd what:"
inline constexpr unsigned kHexFindText = 1055;
inline constexpr unsigned kHexFindDirection = 1056; // group box "Direction"
inline constexpr unsigned kHexFindMatchCase = 1057;
inline constexpr unsigned kHexFindUp = 1058;
inline constexpr unsigned kHexFindDown = 1059;
// 146: destination of a recovery.
inline constexpr unsigned kSelectFolder = 146;
inline constexpr unsigned kSelectFolderAllowSame = 1006;
inline constexpr unsigned kSelectFolderOverwrite = 1007;
inline constexpr unsigned kSelectFolderSkip = 1008;
inline constexpr unsigned kSelectFolderPrompt = 1009;
inline constexpr unsigned kSelectFolderPath = 1010;
inline constexpr unsigned kSelectFolderBrowse = 1011;
inline constexpr unsigned kSelectFolderLabel = 1040; // "Please set a folder to save ..."
inline constexpr unsigned kSelectFolderGroup = 1041; // group box "Options"

// 148: search criteria.
inline constexpr unsigned kAdvSearch = 148;
inline constexpr unsigned kAdvSearchName = 1014;
inline constexpr unsigned kAdvSearchDeleted = 1015;
inline constexpr unsigned kAdvSearchExisting = 1016;
inline constexpr unsigned kAdvSearchCase = 1017;
inline constexpr unsigned kAdvSearchBySize = 1018;
inline constexpr unsigned kAdvSearchByDate = 1019;
inline constexpr unsigned kAdvSearchSizeFrom = 1020;
inline constexpr unsigned kAdvSearchSizeTo = 1021;
inline constexpr unsigned kAdvSearchDateKind = 1022;
inline constexpr unsigned kAdvSearchDateFrom = 1023;
inline constexpr unsigned kAdvSearchDateTo = 1024;
inline constexpr unsigned kAdvSearchFolder = 1025;
inline constexpr unsigned kAdvSearchRecursive = 1026;
inline constexpr unsigned kAdvSearchSelectFolder = 1066;
inline constexpr unsigned kAdvSearchFolderLabel = 1027; // "Folder:"
inline constexpr unsigned kAdvSearchNameLabel = 1028;   // "Name:"
inline constexpr unsigned kAdvSearchFromLabel = 1029;   // "From"
inline constexpr unsigned kAdvSearchToLabel = 1030;     // "to"
inline constexpr unsigned kAdvSearchKbLabel = 1031;     // "KB"

// 149: search results.
inline constexpr unsigned kAdvSearching = 149;
inline constexpr unsigned kAdvSearchingRecover = 1;
inline constexpr unsigned kAdvSearchingExit = 2;
inline constexpr unsigned kAdvSearchingStop = 3;
inline constexpr unsigned kAdvSearchingList = 1000;
inline constexpr unsigned kAdvSearchingBar = 1024;
inline constexpr unsigned kAdvSearchingFile = 1078;
inline constexpr unsigned kAdvSearchingPath = 1079;

// 152: file filters.
inline constexpr unsigned kFilter = 152;
inline constexpr unsigned kFilterOnlyList = 1000;
inline constexpr unsigned kFilterNoList = 1001;
inline constexpr unsigned kFilterNoDisplay = 1002;   // "Don't Display"
inline constexpr unsigned kFilterOnlyDisplay = 1003; // "Only Display"
inline constexpr unsigned kFilterNoAdd = 1004;
inline constexpr unsigned kFilterNoEdit = 1005;
inline constexpr unsigned kFilterNoDelete = 1006;
inline constexpr unsigned kFilterOnlyAdd = 1007;
inline constexpr unsigned kFilterOnlyEdit = 1008;
inline constexpr unsigned kFilterOnlyDelete = 1009;
inline constexpr unsigned kFilterNoLabel = 1010;   // "Don't display files with these ..."
inline constexpr unsigned kFilterOnlyLabel = 1011; // "Only display files with these ..."

// 153: add or edit one filter entry.
inline constexpr unsigned kAddFilter = 153;
inline constexpr unsigned kAddFilterText = 1036;
inline constexpr unsigned kAddFilterPrompt = 1037;

// 161: Options.
inline constexpr unsigned kOptions = 161;
inline constexpr unsigned kOptionsPath = 1065;
inline constexpr unsigned kOptionsSelectFolder = 1066;
inline constexpr unsigned kOptionsWarnRecover = 1067;
inline constexpr unsigned kOptionsHideEmpty = 1068;
inline constexpr unsigned kOptionsUseFilters = 1069;
inline constexpr unsigned kOptionsEditFilters = 1070;
inline constexpr unsigned kOptionsLanguage = 1072;
inline constexpr unsigned kOptionsShowTips = 1073;
inline constexpr unsigned kOptionsPathLabel = 1074;     // "Default Path to Save Recovered"
inline constexpr unsigned kOptionsLanguageLabel = 1075; // "Default Language"
inline constexpr unsigned kOptionsGeneralGroup = 1076;  // group box "General"

// 162: Tips of the day.
inline constexpr unsigned kTips = 162;
inline constexpr unsigned kTipsHeading = 1090;  // "Did you know..."
inline constexpr unsigned kTipsText = 1091;     // the tip
inline constexpr unsigned kTipsDontShow = 1092; // "&Don't show this the next time"
inline constexpr unsigned kTipsNext = 1093;     // "&Next>>"
inline constexpr unsigned kTipsLast = 1094;     // "<<&Last"
inline constexpr unsigned kTipsClose = 2;       // "&Close"

// 142: Find in the file list.
inline constexpr unsigned kFind = 142;
inline constexpr unsigned kFindLabel = 1100;     // "Find Content:"
inline constexpr unsigned kFindText = 1101;      // the pattern
inline constexpr unsigned kFindDirection = 1102; // group box "Direction"
inline constexpr unsigned kFindUp = 1103;        // "&Up"
inline constexpr unsigned kFindDown = 1104;      // "&Down"
inline constexpr unsigned kFindNextButton = 1;   // "Find &Next"

} // namespace resources::dlg
