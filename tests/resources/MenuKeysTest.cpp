// The menu layouts against the shipped language files and the positions table for translators:
// every key a language file gives a menu must name an item that exists, and every item of the
// menus must be translated by every shipped file.
#include "ui/resources/MenuLayout.h"
#include "ui/settings/IniDocument.h"
#include "ui/settings/LanguageService.h"
#include "ui/settings/TextFile.h"
#include "ui/settings/Translate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kResources = TESSALY_RESOURCES_DIR;

// The keys of a menu resource: "|p|q" for pop-ups, the identifier for commands.
std::set<std::string> MenuKeys(unsigned menuId) {
    std::set<std::string> keys;
    std::vector<std::string> parents{""};
    std::vector<unsigned> positions{0};
    for (const resources::MenuEntry& e : resources::MenuEntries(menuId)) {
        parents.resize(static_cast<std::size_t>(e.depth) + 1);
        positions.resize(static_cast<std::size_t>(e.depth) + 1, 0);
        const unsigned at = positions[static_cast<std::size_t>(e.depth)]++;
        if (e.kind == resources::ItemKind::kCommand) keys.insert(CommandKey(e.id));
        if (e.kind != resources::ItemKind::kPopup) continue;
        const std::string key = PopupKey(parents[static_cast<std::size_t>(e.depth)], at);
        keys.insert(key);
        parents.push_back(key);
        positions.push_back(0);
    }
    return keys;
}

// Keys of one section of an INI file, in the file's order.
std::vector<std::string> SectionKeys(const fs::path& file, const std::string& section) {
    std::ifstream in(file);
    std::vector<std::string> keys;
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[') {
            current = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto eq = line.find('=');
        if (current == section && eq != std::string::npos && line[0] != ';')
            keys.push_back(line.substr(0, eq));
    }
    return keys;
}

TEST(MenuLayout, KeysFollowPositionsAndTheLanguagesPopUpIsTheThirdItemOfTools) {
    const auto keys = MenuKeys(resources::kMainMenu);
    for (const char* key : {"|0", "|1", "|2", "|3", "|4", "|3|2", "32796", "57664"})
        EXPECT_TRUE(keys.count(key)) << key;
    EXPECT_FALSE(keys.count("|5"));
    EXPECT_EQ(MenuKeys(resources::kFileMenu).count("|0"), 1u);
}

TEST(MenuLayout, EveryShippedLanguageTranslatesEveryMenuItemAndNothingElse) {
    for (const LanguageFile& file : EnumerateLanguageFiles(kResources / "Language")) {
        SCOPED_TRACE(file.name);
        for (unsigned menu : resources::MenuIds()) {
            SCOPED_TRACE(menu);
            std::set<std::string> expected = MenuKeys(menu);
            if (menu == resources::kMainMenu) expected.insert("32818"); // the "Default" item
            const std::vector<std::string> given = SectionKeys(file.path, std::to_string(menu));
            const std::set<std::string> givenSet(given.begin(), given.end());
            EXPECT_EQ(givenSet.size(), given.size()) << "a key given twice";
            for (const std::string& key : given)
                EXPECT_TRUE(expected.count(key)) << "no item " << key;
            for (const std::string& key : expected)
                EXPECT_TRUE(givenSet.count(key)) << "missing " << key;
        }
    }
}

TEST(MenuLayout, PositionsTableForTranslatorsMatchesTheLayout) {
    // menus.md lists items as "- <menu> `<key>` <text>"; every key of every menu appears there.
    std::ifstream in(kResources / "menus.md");
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    std::map<unsigned, std::set<std::string>> listed;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto dash = line.find("- ");
        if (dash == std::string::npos || line.find_first_not_of(' ') != dash) continue;
        const auto open = line.find(" `", dash);
        const auto close = open == std::string::npos ? open : line.find('`', open + 2);
        const std::string number = line.substr(dash + 2, open - dash - 2);
        if (close == std::string::npos || number.empty() ||
            number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        listed[static_cast<unsigned>(std::stoul(number))].insert(
            line.substr(open + 2, close - open - 2));
    }
    for (unsigned menu : resources::MenuIds())
        EXPECT_EQ(listed[menu], MenuKeys(menu)) << "menu " << menu;
}

TEST(MenuLayout, ToolbarButtonsAreCommandsOfTheMenusOrAbout) {
    const auto keys = MenuKeys(resources::kMainMenu);
    for (unsigned id : resources::ToolbarButtons())
        if (id != 0 && id != 32880) {
            EXPECT_TRUE(keys.count(std::to_string(id))) << id;
        }
}

} // namespace
