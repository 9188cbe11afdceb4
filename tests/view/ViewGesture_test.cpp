#include "view/ViewGesture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using E = MouseEvent;
using S = GestureStatus;
using F = GestureFinish;

struct Step {
    MouseEvent event; int x, y; bool left, right;
    int state; S status; F finish;
};

bool SameBand(const BandLine& a, const BandLine& b) {
    return a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2;
}

// Replays the steps like the window does; every erase must hit a band on screen, and
// none may be left when the gesture ends.
std::vector<GestureEffects> Replay(const std::vector<Step>& steps) {
    GestureMachine m;
    std::vector<BandLine> shown;
    std::vector<GestureEffects> all;
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        const Step& s = steps[i];
        const GestureEffects e = ViewGesture(m, s.event, s.x, s.y, s.left, s.right, false, true);
        if (e.Erase.Draw) {
            bool found = false;
            for (size_t k = 0; k < shown.size() && !found; ++k)
                if (SameBand(shown[k], e.Erase)) { shown.erase(shown.begin() + k); found = true; }
            EXPECT_TRUE(found) << "erased a band that is not shown";
        }
        if (e.Draw.Draw) shown.push_back(e.Draw);
        EXPECT_EQ(e.State, s.state);
        EXPECT_EQ(e.Status, s.status);
        EXPECT_EQ(e.Finish, s.finish);
        EXPECT_EQ(m.BandShown, !shown.empty());
        all.push_back(e);
    }
    EXPECT_TRUE(shown.empty()) << "band left on screen";
    return all;
}

TEST(ViewGesture, SequencesKeepBandsBalanced) {
    struct Row { const char* name; std::vector<Step> steps; };
    const Row rows[] = {
        {"fit gesture", {
            {E::LeftDown, 10, 10, true, false, 0, S::Unchanged, F::None},
            {E::RightDown, 10, 10, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 40, -30, true, true, 0x10, S::WholeView, F::None},
            {E::Move, 60, -40, true, true, 0x10, S::Unchanged, F::None},
            {E::RightUp, 60, -40, true, false, 0, S::SizeText, F::FitWhole},
            {E::LeftUp, 60, -40, false, false, 0, S::SizeText, F::None}}},
        {"zoom gesture through every turn", {
            {E::RightDown, 100, 100, false, true, 0, S::Unchanged, F::None},
            {E::LeftDown, 100, 100, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 120, 130, true, true, 0x30, S::ZoomView, F::None},
            {E::Move, 150, 140, true, true, 0x30, S::Unchanged, F::None},
            {E::Move, 150, 50, true, true, 0x10, S::WholeView, F::None},
            {E::Move, 160, 170, true, true, 0x30, S::ZoomView, F::None},
            {E::Move, 105, 105, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 170, 180, true, true, 0x30, S::ZoomView, F::None},
            {E::Move, 60, 180, true, true, 0xF0, S::MoveView, F::None},
            {E::Move, 170, 180, true, true, 0x30, S::ZoomView, F::None},
            {E::LeftUp, 172, 181, false, true, 0, S::SizeText, F::ZoomRect},
            {E::RightUp, 172, 181, false, false, 0, S::SizeText, F::None}}},
        {"move gesture", {
            {E::LeftDown, 200, 200, true, false, 0, S::Unchanged, F::None},
            {E::RightDown, 200, 200, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 150, 150, true, true, 0xF0, S::MoveView, F::None},
            {E::Move, 140, 220, true, true, 0xF0, S::Unchanged, F::None},
            {E::RightUp, 140, 220, true, false, 0, S::SizeText, F::ClearGraffitiBit}}},
        {"released while undecided", {
            {E::LeftDown, 0, 0, true, false, 0, S::Unchanged, F::None},
            {E::RightDown, 0, 0, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 5, 5, true, true, 0x100, S::Unchanged, F::None},
            {E::LeftUp, 5, 5, false, true, 0, S::SizeText, F::None}}},
        {"lost button-up, new gesture erases the old band", {
            {E::LeftDown, 0, 0, true, true, 0x100, S::Unchanged, F::None},
            {E::Move, 30, 40, true, true, 0x30, S::ZoomView, F::None},
            {E::RightDown, 50, 50, true, true, 0x100, S::Unchanged, F::None},
            {E::RightUp, 50, 50, true, false, 0, S::SizeText, F::None}}},
        {"plain click is not a gesture", {
            {E::LeftDown, 7, 7, true, false, 0, S::Unchanged, F::None},
            {E::Move, 20, 20, true, false, 0, S::Unchanged, F::None},
            {E::LeftUp, 20, 20, false, false, 0, S::SizeText, F::None}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Replay(row.steps);
    }
}

TEST(ViewGesture, ZoomBandAndFinish) {
    const std::vector<GestureEffects> e = Replay({
        {E::LeftDown, 100, 100, true, true, 0x100, S::Unchanged, F::None},
        {E::Move, 120, 130, true, true, 0x30, S::ZoomView, F::None},
        {E::Move, 150, 140, true, true, 0x30, S::Unchanged, F::None},
        {E::RightUp, 152, 141, true, false, 0, S::SizeText, F::ZoomRect},
    });
    EXPECT_TRUE(e[1].CrossCursor);
    EXPECT_FALSE(e[1].Erase.Draw);  // nothing is shown yet when the band first appears
    EXPECT_TRUE(SameBand(e[1].Draw, {true, 100, 100, 120, 130}));
    EXPECT_TRUE(SameBand(e[2].Erase, {true, 100, 100, 120, 130}));
    EXPECT_TRUE(SameBand(e[2].Draw, {true, 100, 100, 150, 140}));
    EXPECT_FALSE(e[2].CrossCursor);
    EXPECT_TRUE(SameBand(e[3].Erase, {true, 100, 100, 150, 140}));
    EXPECT_TRUE(e[3].ArrowCursor);
    EXPECT_EQ(e[3].FromX, 100);
    EXPECT_EQ(e[3].FromY, 100);
    EXPECT_EQ(e[3].ToX, 152);
    EXPECT_EQ(e[3].ToY, 141);
}

TEST(ViewGesture, DragOutNeedsDistanceImageAndNoGraffiti) {
    struct Row { const char* name; int x, y; bool right, graffiti, image, want; };
    const Row rows[] = {
        {"8021 from the left-down point", 189, 110, false, false, true, true},
        {"exactly 8000 is not enough", 180, 140, false, false, true, false},
        {"graffiti mode", 189, 110, false, true, true, false},
        {"no image", 189, 110, false, false, false, false},
        {"both buttons held", 189, 110, true, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GestureMachine m;
        ViewGesture(m, E::LeftDown, 100, 100, true, false, row.graffiti, row.image);
        if (row.right) ViewGesture(m, E::RightDown, 100, 100, true, true, row.graffiti, row.image);
        const GestureEffects e =
            ViewGesture(m, E::Move, row.x, row.y, true, row.right, row.graffiti, row.image);
        EXPECT_EQ(e.StartDragOut, row.want);
    }
}

TEST(ViewGesture, LeftHeldAfterGestureMeasuresFromRelease) {
    GestureMachine m;
    ViewGesture(m, E::LeftDown, 0, 0, true, false, false, true);
    ViewGesture(m, E::RightDown, 0, 0, true, true, false, true);
    ViewGesture(m, E::Move, 300, 300, true, true, false, true);
    ViewGesture(m, E::RightUp, 300, 300, true, false, false, true);
    EXPECT_FALSE(ViewGesture(m, E::Move, 320, 320, true, false, false, true).StartDragOut);
    EXPECT_TRUE(ViewGesture(m, E::Move, 400, 300, true, false, false, true).StartDragOut);
    // Cancelled with the button held: moving on starts no new drag until far enough again.
    EXPECT_FALSE(ViewGesture(m, E::Move, 410, 300, true, false, false, true).StartDragOut);
    EXPECT_TRUE(ViewGesture(m, E::Move, 500, 300, true, false, false, true).StartDragOut);
}

}  // namespace

// The releases that end a gesture stay with the view, whichever button goes first, so the
// editor behind it never sees them (a right release would open the pop-up menu there).
TEST(ViewGesture, ReleasesEndingAGestureAreConsumed) {
    for (bool rightFirst : {true, false}) {
        SCOPED_TRACE(rightFirst ? "right released first" : "left released first");
        GestureMachine m;
        ViewGesture(m, MouseEvent::LeftDown, 100, 100, true, false, false, true);
        ViewGesture(m, MouseEvent::RightDown, 100, 100, true, true, false, true);
        ViewGesture(m, MouseEvent::Move, 160, 40, true, true, false, true);
        GestureEffects first = ViewGesture(m, rightFirst ? MouseEvent::RightUp : MouseEvent::LeftUp, 160, 40,
                                           !rightFirst, rightFirst, false, true);
        EXPECT_EQ(first.State, 0);
        EXPECT_TRUE(first.Consumed);
        EXPECT_EQ(first.Finish, GestureFinish::FitWhole);
        GestureEffects second = ViewGesture(m, rightFirst ? MouseEvent::LeftUp : MouseEvent::RightUp, 160, 40, false,
                                            false, false, true);
        EXPECT_TRUE(second.Consumed);
        EXPECT_EQ(second.Finish, GestureFinish::None);
        // A plain right click afterwards is the editor's again.
        ViewGesture(m, MouseEvent::RightDown, 10, 10, false, true, false, true);
        EXPECT_FALSE(ViewGesture(m, MouseEvent::RightUp, 10, 10, false, false, false, true).Consumed);
    }
}
