// The graffiti drawing and editing commands as a state machine over the store. Portable: the
// window hands it mouse events and Escape, keeps the returned state, and implements EditHost
// (XOR rubber bands, invalidation, status bar, gesture label, pop-up menu, style dialogs).
#pragma once
#include <cstdint>

#include "graffiti/GraffitiStore.h"
#include "view/ViewState.h"

// Editing state: command in bits 8..15, step in bits 0..7; bits above 15 belong to others and
// pass through. Odd steps are "button held", so clearing bit 0 abandons a press.
namespace edit {
constexpr int kNone = 0x0000;
constexpr int kMidpoint = 0x0200;  // temporary: waiting for the second point B
constexpr int kLine = 0x1000;
constexpr int kPolyline = 0x1100;
constexpr int kEllipse = 0x1200;
constexpr int kText = 0x1300;
constexpr int kLeader = 0x1400;
constexpr int kDelete = 0x1600;
constexpr int kCommandMask = 0xFF00;
constexpr int kStepMask = 0x00FF;
constexpr int kPressed = 0x0001;

// Steps (low byte).
constexpr int kIdle = 0;            // 1 while pressed at the first point
constexpr int kSecond = 4;          // band from P1 follows the mouse; 5 pressed
constexpr int kLeaderFrame = 6;     // leader guide kept, frame band from P1; 7 pressed
constexpr int kFixedTip = 10;       // fixed-size leader: frame and leader follow; 11 pressed
constexpr int kFixedCorner = 12;    // fixed-size leader: frame beside its corner; 13 pressed
constexpr int kMoving = 16;         // move: outline follows; 17 pressed
constexpr int kEndpoint = 18;       // endpoint move: rubber line follows; 19 pressed
}  // namespace edit

enum class EditEvent { Move, LeftDown, LeftUp, RightDown, RightUp, Escape };

struct EditInput {
    EditEvent Event = EditEvent::Move;
    int X = 0, Y = 0;  // window pixels (the message's signed position words)
    bool Shift = false, Control = false;
    ViewMapping Mapping{0, 0, 0, 0, 1.0f};
};

enum class BandKind { Line, Rect, Ellipse };
// Window points; a Rect is turned by Degrees about its first corner (RotatedRectOutline).
struct Band {
    BandKind Kind = BandKind::Line;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    double Degrees = 0;
    bool operator==(const Band&) const = default;
};

struct LineAttributes {
    ColorRef Colour = 0x000000FF, Fill = 0x00FFFFFF, Shadow = 0;
    int32_t Width = 0;
    uint32_t Style = 0;  // LineStyleWord
};
struct TextAttributes {
    ColorRef Colour = 0x000000FF, Background = 0x00FFFFFF, Shadow = 0;
    uint32_t Style = 0;           // TextStyleWord
    uint32_t Size = 0x00010008;   // TextSizeWord
    int32_t Direction = 0;        // degrees of the baseline
    int32_t CharAngle = 0;        // degrees of each character
    int32_t Weight = 0;
    const char* Font = "";        // both owned by the host, read before its next call
    const char* Text = "";        // up to 500 bytes; the record keeps 301
};
constexpr uint32_t kTextFixedSize = 1u << 28;

// Line style dialog modes 1 line, 2 ellipse, 3 polyline; text dialog 1 text, 2 leader, 3 edit.
class EditHost {
public:
    virtual ~EditHost() = default;
    // Inverting: the host draws exactly what it is given; the editor erases every band it drew.
    virtual void DrawBand(const Band& b) = 0;
    virtual void EraseBand(const Band& b) = 0;
    virtual void InvalidateImageBox(const IntBox& box) = 0;
    virtual void DrawNewObject(GraffitiKind kind, int index) = 0;
    virtual void SetStatus(int part, const char* text) = 0;
    virtual void ShowLabel(int x, int y, const char* text) = 0;
    virtual void HideLabel() = 0;
    virtual void RequestPopupMenu(int x, int y) = 0;
    virtual LineAttributes CurrentLineAttributes() = 0;
    virtual TextAttributes CurrentTextAttributes() = 0;
    virtual void OpenLineStyleDialog(int mode) = 0;
    virtual void OpenTextStyleDialog(int mode, int index) = 0;
    virtual void MarkChanged() = 0;
};

// Pick code: kind in bits 24..31 (1 line, 2 ellipse, 3 text), index in bits 4..23, part 0..3.
struct Pick {
    int Kind = 0;  // 0 nothing
    int Index = 0, Part = 0;
    double Distance = 0;
    uint32_t Code() const { return Kind ? uint32_t(Kind) << 24 | uint32_t(Index) << 4 | uint32_t(Part) : 0; }
};
constexpr int kPickLine = 1, kPickEllipse = 2, kPickText = 3;
constexpr double kPickRange = 10.0;
Pick PickObject(const GraffitiStore& store, int32_t x, int32_t y);

struct SnapPoint {
    bool Found = false;
    int32_t X = -9999, Y = -9999;
};
// Line ends within clamp(15 * scale, 5, 100) image pixels of the point.
SnapPoint SnapToLineEnd(const GraffitiStore& store, int32_t x, int32_t y, float scale);

// 0 below the radius, else the clock direction (1 2 4 5 7 8 10 11) of the drag.
int GestureDirection(int pressX, int pressY, int x, int y);

enum class EditOp { None, TextEdit, Move, AttributeChange, AttributeGet, Delete, EndpointMove, Midpoint, Cancel, Offset };
// atFirst: the first point of a command or no command; else the second point of a drawing.
EditOp GestureOperation(bool atFirst, int button, int direction);
const char* GestureLabel(EditOp op);

class GraffitiEditor {
public:
    // Sets the command at step 0, opens its style dialog and shows its status text; returns the
    // new state. A band still on screen is erased first.
    int StartCommand(int state, int command, const GraffitiStore& store, EditHost& host);
    // One mouse event or Escape; returns the new state.
    int Step(int state, const EditInput& in, GraffitiStore& store, EditHost& host);
    // Back to step 0 of the command with bands and label gone, nothing deleted (a style dialog
    // changed what is being drawn, or the shell replaces the state).
    int Abort(int state, EditHost& host);

    // The text edit gesture's pending record. Apply re-finds it (it may have moved after a
    // delete) and refuses with kGraffitiBadIndex when it no longer exists.
    bool TextEditPending() const { return textEdit_.Active; }
    int TextEditIndex() const { return textEdit_.Index; }
    // Where the pending text is now, -1 when it is gone (for enabling the dialog's apply button).
    int LocateTextEdit(const GraffitiStore& store) const;
    int ApplyTextEdit(GraffitiStore& store, const GraffitiText& replacement, EditHost& host);
    void CancelTextEdit() { textEdit_.Active = false; }

    int P1X() const { return p1x_; }
    int P1Y() const { return p1y_; }
    // The bands on screen. A full repaint wipes them: the host draws them again, or forgets them.
    int BandCount() const { return bandCount_; }
    const Band& BandAt(int i) const { return bands_[i]; }
    void ForgetBands() { bandCount_ = 0; }

private:
    // An object and a copy of its record, so it is found again after others move it.
    struct Created {
        GraffitiKind Kind = kGraffitiLine;
        int Index = -1;
        GraffitiLine Shape{};
        GraffitiText Text{};
    };
    struct Target {
        Pick Picked;
        GraffitiLine Shape{};
        GraffitiText Text{};
    };
    struct PendingText {
        bool Active = false;
        int Index = -1;
        GraffitiText Original{};
    };

    int OnPress(int state, const EditInput& in);
    int OnMove(int state, const EditInput& in, GraffitiStore& store, EditHost& host);
    int OnRelease(int state, const EditInput& in, GraffitiStore& store, EditHost& host);
    int OnEscape(int state, GraffitiStore& store, EditHost& host);
    // A click without gesture at image point (x, y) in the state's unpressed step.
    int Place(int state, int32_t x, int32_t y, bool shift, const EditInput& in, GraffitiStore& store, EditHost& host);
    int RunOperation(int base, EditOp op, const EditInput& in, GraffitiStore& store, EditHost& host);
    void FollowBands(int state, int32_t mx, int32_t my, const EditInput& in, GraffitiStore& store, EditHost& host);
    void CreateObject(int state, GraffitiStore& store, EditHost& host);
    void PlaceMoved(int32_t x, int32_t y, bool shift, GraffitiStore& store, EditHost& host);
    void PlaceEndpoint(int32_t x, int32_t y, bool shift, GraffitiStore& store, EditHost& host);
    void EndpointAnchor(int32_t& x, int32_t& y) const;
    static void ShiftLock(int32_t refX, int32_t refY, int32_t& x, int32_t& y);
    void TakeTarget(const GraffitiStore& store, const Pick& pick);
    bool TargetStillThere(const GraffitiStore& store);
    void CopyAttributes(const GraffitiStore& store, const Pick& pick);
    void Changed(GraffitiStore& store, EditHost& host, GraffitiKind kind, int index, const IntBox& before);
    void Remove(GraffitiStore& store, GraffitiKind kind, int index, EditHost& host);
    void Track(const GraffitiStore& store, GraffitiKind kind, int index);
    void Refresh(const GraffitiStore& store, GraffitiKind kind, int index, const GraffitiLine& oldShape,
                 const GraffitiText& oldText);
    void ShowBands(const Band* bands, int count, EditHost& host);
    void EraseBands(EditHost& host);
    void ClearLabel(EditHost& host);
    void FixedFrame(const TextAttributes& ta, int32_t x, int32_t y, bool left, int32_t& x2, int32_t& y2) const;

    int32_t p1x_ = 0, p1y_ = 0, p2x_ = 0, p2y_ = 0, tipX_ = 0, tipY_ = 0;
    int32_t ax_ = 0, ay_ = 0;  // point A of the point input between two points
    int pressX_ = 0, pressY_ = 0, button_ = 0, direction_ = 0;
    EditOp gesture_ = EditOp::None;
    bool labelShown_ = false;
    int savedState_ = 0;
    int64_t moveDx_ = 0, moveDy_ = 0;
    Target target_;
    bool clipboardSet_ = false;
    ColorRef clipColour_ = 0, clipFill_ = 0, clipShadow_ = 0;
    int32_t clipWidth_ = 0;
    uint32_t clipLineStyle_ = 0, clipTextStyle_ = 0;
    int32_t textDirection_ = 0;
    Band bands_[3];
    int bandCount_ = 0;
    static constexpr int kTracked = 64;
    Created created_[kTracked];
    int createdCount_ = 0;
    PendingText textEdit_;
};
