#pragma once
// The program's pictures, drawn in code: the application icon, the toolbar buttons (24 x 24)
// and the tree's images (16 x 16).
#include <QIcon>

namespace icons {

// Tree images: 0 computer, 1 drive, 2 selected drive, 3 folder, 4 deleted folder,
// 5 folder holding deleted items.
enum TreeImage {
    kComputer = 0,
    kDrive,
    kDriveSelected,
    kFolder,
    kFolderDeleted,
    kFolderWithDeleted
};

QIcon Application();
QIcon Toolbar(unsigned commandId);
QIcon Tree(int image);

} // namespace icons
