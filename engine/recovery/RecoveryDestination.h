#pragma once
// Where a recovered item goes: the folder the user chose, opened once by whoever runs the
// recovery (its path stays the user's bytes and never passes through UTF-16 here), and the
// folders below it that lead to the item's own folder. Those carry names read from a volume,
// so they are UTF-16; they are entered one at a time without following links, and made when
// missing.
#include "platform/OutputFile.h"

#include <string>

struct RecoveryDestination {
    // The chosen folder; not owned. When it could not be opened, its Error() says why and
    // every file of the item fails with it.
    const platform::OutputFolder* root = nullptr;
    // The chosen folder as outcomes and questions show it.
    std::u16string shownRoot;
    // Folder names below root, joined with "/" (empty pieces are passed over).
    std::u16string below;

    // shownRoot with the folders below it joined on with "/".
    std::u16string Shown() const;
};
