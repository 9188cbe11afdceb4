// Every command of the menus, tool bar, pop-up menu and assigned keys in one table: what
// it needs to run, when its menu item, button and pop-up item are enabled, its button and
// tooltip, its check mark, and whether a running conversion must refuse it. The glue
// derives every enabling and every key from here and keeps only the handlers.
#pragma once
#include <cstdint>
#include <span>

#include "base/Settings.h"

// What a command or one of its controls needs; a rule is a set of these.
enum Need : uint32_t {
    kNeedNothing = 0,
    kNeedImage = 1u << 0,
    kNeedTwoEntries = 1u << 1,
    kNeedThreeEntries = 1u << 2,
    kNeedExif = 1u << 3,
    kNeedShotTimeDiffers = 1u << 4,  // shooting time differs from a file time
    kNeedMapLink = 1u << 5,
    kNeedMonoImage = 1u << 6,
    kNeedGraffitiMode = 1u << 7,
    kNeedProgram1 = 1u << 8,  // .. kNeedProgram1 << 3: the send-to program is set
};

// The program's state as far as commands care.
struct CommandState {
    bool Image = false;
    bool MonoImage = false;
    int Entries = 0;
    bool Exif = false;
    bool ShotTimeDiffers = false;
    bool MapLink = false;
    bool GraffitiMode = false;
    uint8_t ProgramsSet = 0;  // bit k: send-to program k is set
    bool Converting = false;
    bool StatusBar = true, ToolBar = true, ImageShown = true;
};
uint32_t NeedsMet(const CommandState& state);

enum class ButtonStyle : uint8_t { Plain, Check, CheckGroup };
struct ToolButton {
    int8_t Image = -1;  // bitmap index; -1: no button
    const char* Tip = nullptr;
    ButtonStyle Style = ButtonStyle::Plain;
    bool SeparatorBefore = false;
    bool GraffitiOnly = false;  // hidden outside graffiti mode
};

enum class CheckMark : uint8_t { None, StatusBar, ToolBar, ImageShown, GraffitiMode };

// Picture: replaces or edits the current picture or its lines, so it must not run under a
// conversion that is writing lines for it.
enum class CommandGuard : uint8_t { None, Picture };

struct CommandInfo {
    int Id;
    uint32_t RunNeeds;    // the handler runs only when these are met, whatever the source
    uint32_t MenuNeeds;   // main menu item enabled
    uint32_t PopupNeeds;  // pop-up item enabled
    ToolButton Button;
    uint32_t ButtonNeeds;
    CheckMark Check;
    CommandGuard Guard;
};

std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

enum class Surface { Menu, Popup, Button };
bool ControlEnabled(const CommandInfo& c, Surface surface, const CommandState& state);
bool CheckedIn(const CommandInfo& c, const CommandState& state);

// What dispatching a command does in this state.
enum class DispatchVerdict { Run, NotACommand, NotNow, RefusedConverting };
DispatchVerdict JudgeCommand(int id, const CommandState& state);
// Status part 0 while a conversion refuses a command or a dropped file.
constexpr const char* kBusyConvertingText = "ベクトル変換中のため実行できません";

// The assigned keys: slot -> what it does. A slot with a command does exactly what the
// command does from the menu; the two stepping slots move through the folder keeping the
// graffiti and the view, with a beep at either end.
struct KeySlotAction {
    int Command;  // 0: no command
    int Step;     // -1, +1 or 0
};
KeySlotAction KeySlotActionOf(int slot);
