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

// Every row runs something: the handler table of the glue names each id once, with a function.
TEST(CommandTable, EveryRowHasAHandler) {
    const std::map<std::string, int> names = CommandNames();
    const std::string source = ReadSource("src/shell/Commands_win.cpp");
    const size_t start = source.find("kHandlers[] = {");
    ASSERT_NE(start, std::string::npos);
    const std::string table = source.substr(start, source.find("};", start) - start);
    std::map<int, std::string> handlers;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find("{IDM_");
        if (open == std::string::npos) continue;
        std::istringstream row(line.substr(open + 1));
        std::string name, run;
        std::getline(row, name, ',');
        row >> run;
        const auto id = names.find(name);
        ASSERT_NE(id, names.end()) << name << " is not a command id";
        EXPECT_TRUE(handlers.emplace(id->second, run).second) << name << " has two handlers";
        EXPECT_NE(run, "nullptr,") << name;
    }
    for (int id : TableIds()) EXPECT_TRUE(handlers.count(id)) << id << " has a row but no handler";
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
    const std::vector<int> expected = {IDM_OPEN, IDM_SAVE, IDM_DELETE, 0, IDM_FILELIST, IDM_ROTATE_LEFT,
                                       IDM_ROTATE_RIGHT, IDM_FINE_ROTATE, 0, IDM_FIRST, IDM_PREV, IDM_NEXT,
                                       IDM_LAST, 0, IDM_INFO, IDM_MONOCHROME, IDM_VECTORIZE, IDM_IMAGEPATH_OUT,
                                       0, IDM_GRAFFITI, IDM_G_LINE, IDM_G_POLYLINE, IDM_G_ELLIPSE, IDM_G_TEXT,
                                       IDM_G_LEADER, IDM_G_DELETE, IDM_GRAFFITI_OUT};
    EXPECT_EQ(order, expected);
}

TEST(CommandTable, EnablingFollowsTheState) {
    CommandState start;
    const std::set<int> menuAtStart = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_GRAFFITI_OUT, IDM_EMF_COPY,
                                       IDM_FILELIST, IDM_PREV, IDM_FIRST, IDM_NEXT, IDM_LAST, IDM_SHOWIMAGE,
                                       IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT, IDM_INFO, IDM_FINE_ROTATE,
                                       IDM_MONOCHROME, IDM_VECTORIZE, IDM_GRAFFITI, IDM_SORT_NATURAL,
                                       IDM_SORT_CODE, IDM_SORT_TIME, IDM_EXIF_REMOVE, IDM_SET_SHOT_TIME,
                                       IDM_G_LINE, IDM_G_POLYLINE, IDM_G_ELLIPSE, IDM_G_TEXT, IDM_G_LEADER,
                                       IDM_G_DELETE, IDM_SENDTO1, IDM_SENDTO2, IDM_SENDTO3, IDM_SENDTO4};
    EXPECT_EQ(Disabled(Surface::Menu, start), menuAtStart) << "only what works without an image is enabled";
    const std::set<int> buttonsAtStart = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_FILELIST, IDM_PREV,
                                          IDM_FIRST, IDM_NEXT, IDM_LAST, IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT,
                                          IDM_INFO, IDM_FINE_ROTATE, IDM_MONOCHROME, IDM_VECTORIZE, IDM_GRAFFITI};
    EXPECT_EQ(Disabled(Surface::Button, start, true), buttonsAtStart) << "graffiti tools stay enabled, hidden";

    CommandState one = start;
    one.Image = true;
    one.Entries = 1;
    EXPECT_EQ(Disabled(Surface::Button, one, true), (std::set<int>{IDM_FILELIST, IDM_PREV, IDM_FIRST, IDM_NEXT,
                                                                   IDM_LAST, IDM_VECTORIZE}));
    one.MonoImage = true;
    one.ProgramsSet = 0b0101;
    EXPECT_EQ(Disabled(Surface::Menu, one),
              (std::set<int>{IDM_GRAFFITI_OUT, IDM_FILELIST, IDM_PREV, IDM_FIRST, IDM_NEXT, IDM_LAST,
                             IDM_SORT_NATURAL, IDM_SORT_CODE, IDM_SORT_TIME, IDM_G_LINE, IDM_G_POLYLINE,
                             IDM_G_ELLIPSE, IDM_G_TEXT, IDM_G_LEADER, IDM_G_DELETE, IDM_SENDTO2, IDM_SENDTO4}))
        << "a 1-bit picture alone in its folder; send-to 1 and 3 set";

    struct PopupRow {
        const char* name;
        int entries;
        bool exif, shotDiffers, map;
        std::set<int> disabled;
    };
    const PopupRow rows[] = {
        {"two entries, no Exif", 2, false, false, false, {IDM_SORT_NATURAL, IDM_SORT_CODE, IDM_SORT_TIME,
         IDM_EXIF_REMOVE, IDM_SET_SHOT_TIME, IDM_MAP}},
        {"three entries, Exif with matching times", 3, true, false, false, {IDM_SET_SHOT_TIME, IDM_MAP}},
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
            if (id == IDM_DELETE || id == IDM_EMF_COPY || id == IDM_INFO || (id >= IDM_SORT_NATURAL && id <= IDM_SORT_TIME) ||
                (id >= IDM_EXIF_REMOVE && id <= IDM_MAP))
                popupDisabled.insert(id);
        EXPECT_EQ(popupDisabled, r.disabled);
        EXPECT_EQ(Disabled(Surface::Menu, s).count(IDM_PREV), r.entries < 2 ? 1u : 0u);
    }

    CommandState graffiti = one;
    graffiti.GraffitiMode = true;
    for (int id : {IDM_GRAFFITI_OUT, IDM_G_LINE, IDM_G_POLYLINE, IDM_G_ELLIPSE, IDM_G_TEXT, IDM_G_LEADER,
                   IDM_G_DELETE}) EXPECT_FALSE(Disabled(Surface::Menu, graffiti).count(id)) << id;
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
