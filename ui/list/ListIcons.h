#pragma once
// The file list's 16 x 16 images: 0 file, 1 folder, 2 deleted file, 3 deleted folder, 4 an item
// holding deleted items. Drawn once, in code.
#include <QIcon>

namespace listicons {

const QIcon& Image(int index);

} // namespace listicons
