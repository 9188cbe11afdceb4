// The two-button mouse gestures of the view: fit (up-right), zoom rectangle (down-right),
// move (any other way), and the start of a file drag-out with the left button alone.
// Portable: the window procedure replays the returned effects.
#pragma once

enum class MouseEvent { LeftDown, RightDown, Move, LeftUp, RightUp };

constexpr int kGestureIdle = 0;
constexpr int kGestureUndecided = 0x100;
constexpr int kGestureFit = 0x10;
constexpr int kGestureZoom = 0x30;
constexpr int kGestureMove = 0xF0;

// BandShown: the band from start to last point is on screen (drawn inverted, so drawing
// it again erases it).
struct GestureMachine {
    int State = 0;
    int StartX = 0, StartY = 0, LastX = 0, LastY = 0, LeftDownX = 0, LeftDownY = 0;
    bool BandShown = false;
    bool Finishing = false;  // a gesture ended while a button is still held
};

// Status part 2: "全体表示", "拡大表示", "move", or the size text of the last WM_SIZE back.
enum class GestureStatus { Unchanged, WholeView, ZoomView, MoveView, SizeText };
enum class GestureFinish { None, FitWhole, ZoomRect, ClearGraffitiBit };

// Rectangle outline between two window points.
struct BandLine { bool Draw = false; int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; };

// Replayed in this order: erase band, draw band, status, cursor, drag-out, finish.
// ZoomRect zooms from (FromX, FromY) to (ToX, ToY); the machine has already cleared its points.
struct GestureEffects {
    int State = 0;
    BandLine Erase;
    BandLine Draw;
    GestureStatus Status = GestureStatus::Unchanged;
    bool CrossCursor = false, ArrowCursor = false, StartDragOut = false;
    GestureFinish Finish = GestureFinish::None;
    // The message belonged to a two-button gesture although State is 0 again: the release
    // that ended it, or the later release of the other button. It goes no further.
    bool Consumed = false;
    int FromX = 0, FromY = 0, ToX = 0, ToY = 0;
};

// leftHeld/rightHeld: the buttons held after the event (wParam). A non-zero State means
// the message was a view gesture and is not passed on to the graffiti editor.
GestureEffects ViewGesture(GestureMachine& machine, MouseEvent event, int x, int y,
                           bool leftHeld, bool rightHeld, bool graffitiMode, bool hasImage);
