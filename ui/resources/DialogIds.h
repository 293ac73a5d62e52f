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
