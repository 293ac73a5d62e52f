#include "tests/gui/WindowDriver.h"

#include "engine/volume/QueryEntryPoints.h"
#include "platform/Text.h"

namespace guitest {

std::optional<ScanRow> RowAt(char letter, uint64_t root, const std::string& path) {
    uint64_t folder = root;
    std::optional<ScanRow> found;
    size_t start = 0;
    while (start <= path.size()) {
        size_t stop = path.find('/', start);
        if (stop == std::string::npos) stop = path.size();
        struct Look {
            std::u16string name;
            std::optional<ScanRow> row;
        } look{platform::Utf8ToUtf16(path.substr(start, stop - start)), {}};
        ListFolderItems(
            letter, folder, nullptr,
            [](const ScanRow& row, uint32_t, bool, void* c) {
                auto* l = static_cast<Look*>(c);
                if (row.name == l->name && (!l->row || l->row->isDeleted == 1)) l->row = row;
                return true;
            },
            nullptr, 0, {}, false, &look);
        if (!look.row) return std::nullopt;
        found = look.row;
        folder = found->id;
        start = stop + 1;
    }
    return found;
}

} // namespace guitest
