#include "shell/CommandTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

std::string ReadSource(const char* relative) {
    std::ifstream in(std::string(PIXARO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// IDM_ names and their numbers as resource.h defines them.
std::map<std::string, int> CommandNames() {
    std::map<std::string, int> names;
    std::istringstream in(ReadSource("src/resources/resource.h"));
    std::string define, name;
    int id;
    while (in >> define)
        if (define == "#define" && in >> name && name.rfind("IDM_", 0) == 0 && in >> id && id >= IDM_FIRST_COMMAND &&
            id <= IDM_LAST_COMMAND && name != "IDM_FIRST_COMMAND" && name != "IDM_LAST_COMMAND")
            names[name] = id;
    return names;
}

// The ids named by the word after each `keyword` in the text (a trailing comma is dropped
// from the keyword, so "IDM_X" after `"label",` counts as after the label).
std::set<int> IdsAfter(const std::string& text, std::initializer_list<const char*> keywords, bool afterLabel) {
    const std::map<std::string, int> names = CommandNames();
    std::set<int> ids;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first, word;
        words >> first;
        bool match = false;
        for (const char* k : keywords) match = match || first == k;
        if (!match) continue;
        if (afterLabel) {
            size_t comma = line.rfind(',');
            if (comma == std::string::npos) continue;
            std::istringstream(line.substr(comma + 1)) >> word;
        } else {
            words >> word;
        }
        auto found = names.find(word);
        EXPECT_NE(found, names.end()) << word << " is not a command id";
        if (found != names.end()) ids.insert(found->second);
    }
    return ids;
}

std::set<int> TableIds() {
    std::set<int> ids;
    for (const CommandInfo& c : CommandTable()) EXPECT_TRUE(ids.insert(c.Id).second) << "two rows for " << c.Id;
    return ids;
}

std::set<int> Disabled(Surface surface, const CommandState& state, bool withButtonOnly = false) {
    std::set<int> ids;
    for (const CommandInfo& c : CommandTable()) {
        if (withButtonOnly && c.Button.Image < 0) continue;
        if (!ControlEnabled(c, surface, state)) ids.insert(c.Id);
    }
    return ids;
}

}  // namespace

// The table, the resources and the end-to-end case that sends every command agree.
TEST(CommandTable, EveryIdHasOneRowAndEveryRowIsExercised) {
    const std::set<int> table = TableIds();
    std::set<int> named;
    for (const auto& [name, id] : CommandNames()) named.insert(id);
    EXPECT_EQ(table, named) << "resource.h and the table list the same commands";

    const std::set<int> inMenus = IdsAfter(ReadSource("src/resources/pixaro.rc"), {"MENUITEM"}, true);
    for (int id : inMenus) EXPECT_TRUE(table.count(id)) << id << " is in a menu but has no row";
    for (const CommandInfo& c : CommandTable())
        EXPECT_TRUE(inMenus.count(c.Id) || c.Button.Image >= 0) << c.Id << " can be reached from nowhere";

    const std::set<int> sent = IdsAfter(ReadSource("tests/e2e/cases/all_commands.pxt"), {"command", "command-dialog"}, false);
    for (int id : table) EXPECT_TRUE(sent.count(id)) << id << " is never sent by the all_commands case";

    for (int slot = 0; slot < kKeySlots; ++slot) {
        KeySlotAction a = KeySlotActionOf(slot);
        EXPECT_TRUE((a.Command != 0) != (a.Step != 0)) << "slot " << slot << " does one thing";
        if (a.Command) {
            EXPECT_TRUE(table.count(a.Command)) << "slot " << slot;
        }
    }
    EXPECT_EQ(KeySlotActionOf(8).Command, IDM_SHOWIMAGE) << "key Q is the image on/off command itself";
    EXPECT_EQ(KeySlotActionOf(6).Step, -1);
    EXPECT_EQ(KeySlotActionOf(7).Step, +1);
}

TEST(CommandTable, ToolBarLayout) {
    std::vector<int> order;
    int image = 0;
    for (const CommandInfo& c : CommandTable()) {
        if (c.Button.Image < 0) continue;
        if (c.Button.SeparatorBefore) order.push_back(0);
        order.push_back(c.Id);
        EXPECT_EQ(c.Button.Image, image++) << "bitmap images in button order";
        EXPECT_NE(c.Button.Tip, nullptr);
    }
    const std::vector<int> expected = {100, 101, 103, 0,   120, 130, 131, 133, 0,   122, 121, 123, 124, 0,
                                       132, 140, 161, 105, 0,   162, 200, 201, 202, 203, 204, 206, 106};
    EXPECT_EQ(order, expected);
}

TEST(CommandTable, EnablingFollowsTheState) {
    CommandState start;
    const std::set<int> menuAtStart = {101, 103, 105, 106, 111, 120, 121, 122, 123, 124, 129, 130, 131, 132, 133,
                                       140, 161, 162, 171, 172, 173, 193, 194, 200, 201, 202, 203, 204, 206,
                                       230, 231, 232, 233};
    EXPECT_EQ(Disabled(Surface::Menu, start), menuAtStart) << "only what works without an image is enabled";
    const std::set<int> buttonsAtStart = {101, 103, 105, 120, 121, 122, 123, 124, 130, 131, 132, 133, 140, 161, 162};
    EXPECT_EQ(Disabled(Surface::Button, start, true), buttonsAtStart) << "graffiti tools stay enabled, hidden";

    CommandState one = start;
    one.Image = true;
    one.Entries = 1;
    EXPECT_EQ(Disabled(Surface::Button, one, true), (std::set<int>{120, 121, 122, 123, 124, 161}));
    one.MonoImage = true;
    one.ProgramsSet = 0b0101;
    EXPECT_EQ(Disabled(Surface::Menu, one),
              (std::set<int>{106, 120, 121, 122, 123, 124, 171, 172, 173, 200, 201, 202, 203, 204, 206, 231, 233}))
        << "a 1-bit picture alone in its folder; send-to 1 and 3 set";

    struct PopupRow {
        const char* name;
        int entries;
        bool exif, shotDiffers, map;
        std::set<int> disabled;
    };
    const PopupRow rows[] = {
        {"two entries, no Exif", 2, false, false, false, {171, 172, 173, 193, 194, 195}},
        {"three entries, Exif with matching times", 3, true, false, false, {194, 195}},
        {"Exif, shot time differs, GPS", 3, true, true, true, {}},
    };
    for (const PopupRow& r : rows) {
        SCOPED_TRACE(r.name);
        CommandState s = one;
        s.Entries = r.entries;
        s.Exif = r.exif;
        s.ShotTimeDiffers = r.shotDiffers;
        s.MapLink = r.map;
        std::set<int> popupDisabled;
        for (int id : Disabled(Surface::Popup, s))
            if (id == 103 || id == 111 || id == 132 || (id >= 171 && id <= 173) || (id >= 193 && id <= 195))
                popupDisabled.insert(id);
        EXPECT_EQ(popupDisabled, r.disabled);
        EXPECT_EQ(Disabled(Surface::Menu, s).count(121), r.entries < 2 ? 1u : 0u);
    }

    CommandState graffiti = one;
    graffiti.GraffitiMode = true;
    for (int id : {106, 200, 201, 202, 203, 204, 206}) EXPECT_FALSE(Disabled(Surface::Menu, graffiti).count(id)) << id;
    EXPECT_TRUE(CheckedIn(*FindCommand(IDM_GRAFFITI), graffiti));
    EXPECT_FALSE(CheckedIn(*FindCommand(IDM_GRAFFITI), one));
    CommandState hidden = one;
    hidden.ImageShown = false;
    hidden.StatusBar = false;
    EXPECT_FALSE(CheckedIn(*FindCommand(IDM_SHOWIMAGE), hidden));
    EXPECT_FALSE(CheckedIn(*FindCommand(IDM_STATUSBAR), hidden));
    EXPECT_TRUE(CheckedIn(*FindCommand(IDM_TOOLBAR), hidden));
}

TEST(CommandTable, DispatchVerdicts) {
    CommandState none;
    CommandState picture;
    picture.Image = true;
    picture.Entries = 3;
    CommandState converting = picture;
    converting.Converting = true;
    struct Row {
        int id;
        const CommandState& state;
        DispatchVerdict verdict;
    };
    const Row rows[] = {
        {99, picture, DispatchVerdict::NotACommand},
        {234, picture, DispatchVerdict::NotACommand},
        {102, picture, DispatchVerdict::NotACommand},
        {IDM_OPEN, none, DispatchVerdict::Run},
        {IDM_INFO, none, DispatchVerdict::NotNow},
        {IDM_INFO, converting, DispatchVerdict::Run},
        {IDM_MAP, none, DispatchVerdict::Run},  // says there is no GPS position
        {IDM_NEXT, none, DispatchVerdict::Run},
        {IDM_NEXT, converting, DispatchVerdict::RefusedConverting},
        {IDM_OPEN, converting, DispatchVerdict::RefusedConverting},
        {IDM_DELETE, converting, DispatchVerdict::RefusedConverting},
        {IDM_MONOCHROME, converting, DispatchVerdict::RefusedConverting},
        {IDM_ROTATE_LEFT, converting, DispatchVerdict::RefusedConverting},
        {IDM_SORT_TIME, converting, DispatchVerdict::Run},
        {IDM_SHOWIMAGE, none, DispatchVerdict::NotNow},
    };
    for (const Row& r : rows) EXPECT_EQ(JudgeCommand(r.id, r.state), r.verdict) << r.id;
}
