#include "view/ViewGesture.h"

#include <cstdint>

#include "view/ViewState.h"

namespace {

constexpr int64_t kDragOutDistanceSquared = 8000;

// Inverted drawing: erasing a band that is not on screen would draw a stray one.
void EraseBand(GestureMachine& m, GestureEffects& e) {
    if (!m.BandShown) return;
    e.Erase = {true, m.StartX, m.StartY, m.LastX, m.LastY};
    m.BandShown = false;
}

void OnButtonDown(GestureMachine& m, GestureEffects& e, int x, int y, bool left, bool right) {
    EraseBand(m, e);  // a button-up lost outside the window must not leave its band
    if (left && !right) {
        m.LeftDownX = x;
        m.LeftDownY = y;
    }
    if (left && right) {
        m.StartX = m.LastX = x;
        m.StartY = m.LastY = y;
        m.State = kGestureUndecided;
    } else {
        m.State = kGestureIdle;
    }
}

void OnBothHeldMove(GestureMachine& m, GestureEffects& e, int x, int y) {
    if (m.State == kGestureIdle) {
        m.StartX = m.LastX = x;
        m.StartY = m.LastY = y;
        m.State = kGestureUndecided;
    }
    switch (ClassifyDirection(m.StartX, m.StartY, x, y)) {
    case 0:
        EraseBand(m, e);
        m.State = kGestureUndecided;
        break;
    case 1:
    case 2:
        EraseBand(m, e);
        if (m.State != kGestureFit) {
            m.State = kGestureFit;
            e.Status = GestureStatus::WholeView;
        }
        break;
    case 4:
    case 5:
        if (m.State != kGestureZoom) {
            m.State = kGestureZoom;
            e.Status = GestureStatus::ZoomView;
            e.CrossCursor = true;
            m.LastX = m.StartX;
            m.LastY = m.StartY;
        }
        EraseBand(m, e);
        e.Draw = {true, m.StartX, m.StartY, x, y};
        m.LastX = x;
        m.LastY = y;
        m.BandShown = true;
        break;
    default:
        EraseBand(m, e);
        if (m.State != kGestureMove) {
            m.State = kGestureMove;
            e.Status = GestureStatus::MoveView;
        }
        break;
    }
}

void OnButtonUp(GestureMachine& m, GestureEffects& e, int x, int y) {
    EraseBand(m, e);
    switch (m.State) {
    case kGestureFit: e.Finish = GestureFinish::FitWhole; break;
    case kGestureZoom:
        e.Finish = GestureFinish::ZoomRect;
        e.FromX = m.StartX;
        e.FromY = m.StartY;
        e.ToX = x;
        e.ToY = y;
        break;
    case kGestureMove: e.Finish = GestureFinish::ClearGraffitiBit; break;
    default: break;
    }
    m.State = kGestureIdle;
    m.StartX = m.StartY = m.LastX = m.LastY = 0;
    // With the left button still held after a gesture, a drag-out counts from here,
    // not from where the left button went down before the gesture.
    m.LeftDownX = x;
    m.LeftDownY = y;
    e.ArrowCursor = true;
    e.Status = GestureStatus::SizeText;
}

}  // namespace

GestureEffects ViewGesture(GestureMachine& m, MouseEvent event, int x, int y,
                           bool leftHeld, bool rightHeld, bool graffitiMode, bool hasImage) {
    GestureEffects e;
    switch (event) {
    case MouseEvent::LeftDown:
    case MouseEvent::RightDown: OnButtonDown(m, e, x, y, leftHeld, rightHeld); break;
    case MouseEvent::Move:
        if (leftHeld && rightHeld) {
            OnBothHeldMove(m, e, x, y);
        } else if (leftHeld) {
            const int64_t dx = int64_t{x} - m.LeftDownX, dy = int64_t{y} - m.LeftDownY;
            if (dx * dx + dy * dy > kDragOutDistanceSquared && !graffitiMode && hasImage) {
                e.StartDragOut = true;
                // A drag cancelled with the button still held: the next one needs a distance
                // of its own, or the first move after Escape would start it again.
                m.LeftDownX = x;
                m.LeftDownY = y;
            }
        }
        break;
    case MouseEvent::LeftUp:
    case MouseEvent::RightUp: {
        // Without this the editor behind the view would take the releases that end a
        // gesture, and the right button's would open the pop-up menu.
        const bool ending = m.State != 0;
        e.Consumed = ending || m.Finishing;
        OnButtonUp(m, e, x, y);
        m.Finishing = (ending || m.Finishing) && (leftHeld || rightHeld);
        break;
    }
    }
    e.State = m.State;
    return e;
}
