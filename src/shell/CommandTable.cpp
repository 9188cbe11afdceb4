#include "shell/CommandTable.h"

#include "resources/resource.h"

namespace {

constexpr uint32_t I = kNeedImage, Two = kNeedTwoEntries, G = kNeedGraffitiMode;
constexpr ToolButton kNoButton{};
constexpr ToolButton Button(int image, const char* tip, bool separatorBefore = false) {
    return {int8_t(image), tip, ButtonStyle::Plain, separatorBefore, false};
}
constexpr ToolButton GraffitiTool(int image, const char* tip) {
    return {int8_t(image), tip, ButtonStyle::CheckGroup, false, true};
}

}  // namespace

// Rows in tool-bar order first, so the bar is the rows with a button, as they come.
namespace {

constexpr CommandInfo kCommandTable[] = {
    // id                  run   menu  popup button                                  button-needs check               guard
    {IDM_OPEN,             0,    0,    0,    Button(0, "読込み"),                        0,   CheckMark::None,         CommandGuard::Picture},
    {IDM_SAVE,             I,    I,    0,    Button(1, "保存"),                          I,   CheckMark::None,         CommandGuard::None},
    {IDM_DELETE,           I,    I,    I,    Button(2, "削除"),                          I,   CheckMark::None,         CommandGuard::Picture},
    {IDM_FILELIST,         0,    Two,  0,    Button(3, "ファイル一覧", true),            Two, CheckMark::None,         CommandGuard::None},
    {IDM_ROTATE_LEFT,      I,    I,    0,    Button(4, "左90度回転"),                    I,   CheckMark::None,         CommandGuard::Picture},
    {IDM_ROTATE_RIGHT,     I,    I,    0,    Button(5, "右90度回転"),                    I,   CheckMark::None,         CommandGuard::Picture},
    {IDM_FINE_ROTATE,      I,    I,    0,    Button(6, "回転角微調整"),                  I,   CheckMark::None,         CommandGuard::Picture},
    {IDM_FIRST,            0,    Two,  0,    Button(7, "最初の画像", true),              Two, CheckMark::None,         CommandGuard::Picture},
    {IDM_PREV,             0,    Two,  0,    Button(8, "前の画像"),                      Two, CheckMark::None,         CommandGuard::Picture},
    {IDM_NEXT,             0,    Two,  0,    Button(9, "次の画像"),                      Two, CheckMark::None,         CommandGuard::Picture},
    {IDM_LAST,             0,    Two,  0,    Button(10, "最後の画像"),                   Two, CheckMark::None,         CommandGuard::Picture},
    {IDM_INFO,             I,    I,    I,    Button(11, "Exif情報表示", true),           I,   CheckMark::None,         CommandGuard::None},
    {IDM_MONOCHROME,       I,    I,    0,    Button(12, "白黒変換"),                     I,   CheckMark::None,         CommandGuard::Picture},
    {IDM_VECTORIZE,        I,    kNeedMonoImage, 0, Button(13, "ラスターベクタ変換"),    kNeedMonoImage, CheckMark::None, CommandGuard::None},
    {IDM_IMAGEPATH_OUT,    I,    I,    0,    Button(14, "JWW画像情報出力"),              I,   CheckMark::None,         CommandGuard::None},
    {IDM_GRAFFITI,         I,    I,    0,    {15, "落書き", ButtonStyle::Check, true, false}, I, CheckMark::GraffitiMode, CommandGuard::None},
    {IDM_G_LINE,           I,    G,    0,    GraffitiTool(16, "直線"),                   0,   CheckMark::None,         CommandGuard::None},
    {IDM_G_POLYLINE,       I,    G,    0,    GraffitiTool(17, "連続直線"),               0,   CheckMark::None,         CommandGuard::None},
    {IDM_G_ELLIPSE,        I,    G,    0,    GraffitiTool(18, "楕円"),                   0,   CheckMark::None,         CommandGuard::None},
    {IDM_G_TEXT,           I,    G,    0,    GraffitiTool(19, "文字"),                   0,   CheckMark::None,         CommandGuard::None},
    {IDM_G_LEADER,         I,    G,    0,    GraffitiTool(20, "引出線付文字"),           0,   CheckMark::None,         CommandGuard::None},
    {IDM_G_DELETE,         I,    G,    0,    GraffitiTool(21, "落書き削除"),             0,   CheckMark::None,         CommandGuard::None},
    {IDM_GRAFFITI_OUT,     I,    G,    0,    {22, "落書きデータ入出力", ButtonStyle::Plain, false, true}, 0, CheckMark::None, CommandGuard::None},
    {IDM_EXIT,             0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_EMF_COPY,         I,    I,    I,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_BATCH,            0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_STATUSBAR,        0,    0,    0,    kNoButton,                                  0,   CheckMark::StatusBar,    CommandGuard::None},
    {IDM_TOOLBAR,          0,    0,    0,    kNoButton,                                  0,   CheckMark::ToolBar,      CommandGuard::None},
    {IDM_SHOWIMAGE,        I,    I,    0,    kNoButton,                                  0,   CheckMark::ImageShown,   CommandGuard::None},
    {IDM_DISPLAY_SETTINGS, 0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_PROGRAM_SETTINGS, 0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_SORT_NATURAL,     0,    Two,  kNeedThreeEntries, kNoButton,                     0,   CheckMark::None,         CommandGuard::None},
    {IDM_SORT_CODE,        0,    Two,  kNeedThreeEntries, kNoButton,                     0,   CheckMark::None,         CommandGuard::None},
    {IDM_SORT_TIME,        0,    Two,  kNeedThreeEntries, kNoButton,                     0,   CheckMark::None,         CommandGuard::None},
    {IDM_WINDOW_SIZE,      0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_ABOUT,            0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_HELP,             0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_UPDATE_CHECK,     0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_EXIF_REMOVE,      I,    I,    kNeedExif, kNoButton,                             0,   CheckMark::None,         CommandGuard::None},
    {IDM_SET_SHOT_TIME,    I,    I,    kNeedShotTimeDiffers, kNoButton,                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_MAP,              0,    0,    kNeedMapLink, kNoButton,                          0,   CheckMark::None,         CommandGuard::None},
    {IDM_HELP_ONLINE,      0,    0,    0,    kNoButton,                                  0,   CheckMark::None,         CommandGuard::None},
    {IDM_SENDTO1,          I,    kNeedProgram1,      0, kNoButton,                       0,   CheckMark::None,         CommandGuard::None},
    {IDM_SENDTO2,          I,    kNeedProgram1 << 1, 0, kNoButton,                       0,   CheckMark::None,         CommandGuard::None},
    {IDM_SENDTO3,          I,    kNeedProgram1 << 2, 0, kNoButton,                       0,   CheckMark::None,         CommandGuard::None},
    {IDM_SENDTO4,          I,    kNeedProgram1 << 3, 0, kNoButton,                       0,   CheckMark::None,         CommandGuard::None},
};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommandTable; }

uint32_t NeedsMet(const CommandState& s) {
    uint32_t met = 0;
    if (s.Image) met |= kNeedImage;
    if (s.Image && s.MonoImage) met |= kNeedMonoImage;
    if (s.Entries >= 2) met |= kNeedTwoEntries;
    if (s.Entries >= 3) met |= kNeedThreeEntries;
    if (s.Image && s.Exif) met |= kNeedExif;
    if (s.Image && s.Exif && s.ShotTimeDiffers) met |= kNeedShotTimeDiffers;
    if (s.MapLink) met |= kNeedMapLink;
    if (s.GraffitiMode) met |= kNeedGraffitiMode;
    met |= uint32_t(s.ProgramsSet & 0xF) * kNeedProgram1;
    return met;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommandTable)
        if (c.Id == id) return &c;
    return nullptr;
}

bool ControlEnabled(const CommandInfo& c, Surface surface, const CommandState& state) {
    uint32_t needs = surface == Surface::Menu ? c.MenuNeeds : surface == Surface::Popup ? c.PopupNeeds : c.ButtonNeeds;
    return (needs & ~NeedsMet(state)) == 0;
}

bool CheckedIn(const CommandInfo& c, const CommandState& state) {
    switch (c.Check) {
    case CheckMark::StatusBar: return state.StatusBar;
    case CheckMark::ToolBar: return state.ToolBar;
    case CheckMark::ImageShown: return state.ImageShown;
    case CheckMark::GraffitiMode: return state.GraffitiMode;
    case CheckMark::None: break;
    }
    return false;
}

DispatchVerdict JudgeCommand(int id, const CommandState& state) {
    const CommandInfo* c = id >= IDM_FIRST_COMMAND && id <= IDM_LAST_COMMAND ? FindCommand(id) : nullptr;
    if (!c) return DispatchVerdict::NotACommand;
    if (c->RunNeeds & ~NeedsMet(state)) return DispatchVerdict::NotNow;
    if (c->Guard == CommandGuard::Picture && state.Converting) return DispatchVerdict::RefusedConverting;
    return DispatchVerdict::Run;
}

KeySlotAction KeySlotActionOf(int slot) {
    static const KeySlotAction kSlots[kKeySlots] = {
        {IDM_SENDTO1, 0}, {IDM_SENDTO2, 0},   {IDM_SENDTO3, 0},    {IDM_SENDTO4, 0},
        {IDM_INFO, 0},    {IDM_MAP, 0},       {0, -1},             {0, +1},
        {IDM_SHOWIMAGE, 0}, {IDM_MONOCHROME, 0}, {IDM_VECTORIZE, 0}, {IDM_IMAGEPATH_OUT, 0},
    };
    if (slot < 0 || slot >= kKeySlots) return {0, 0};
    return kSlots[slot];
}
