#include "graffiti/GraffitiEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace edit;

namespace {

// Records every call; bands must be erased exactly as they were drawn (inverting pen).
struct FakeHost : EditHost {
    std::vector<Band> onScreen;
    int bandsDrawn = 0, strayErases = 0;
    std::vector<IntBox> invalidated;
    std::vector<std::pair<GraffitiKind, int>> drawnObjects;
    std::vector<std::string> status;
    int labelsShown = 0, labelsHidden = 0;
    std::string lastLabel;
    std::vector<std::pair<int, int>> popups;
    std::vector<int> lineDialogs;
    std::vector<std::pair<int, int>> textDialogs;
    int changes = 0;
    LineAttributes line;
    TextAttributes text;
    std::string textString = "ab\r\ncde", font = "Font";

    void DrawBand(const Band& b) override { onScreen.push_back(b), ++bandsDrawn; }
    void EraseBand(const Band& b) override {
        auto it = std::find(onScreen.begin(), onScreen.end(), b);
        if (it == onScreen.end()) ++strayErases;
        else onScreen.erase(it);
    }
    void InvalidateImageBox(const IntBox& box) override { invalidated.push_back(box); }
    void DrawNewObject(GraffitiKind k, int i) override { drawnObjects.push_back({k, i}); }
    void SetStatus(int, const char* t) override { status.push_back(t); }
    void ShowLabel(int, int, const char* t) override { ++labelsShown, lastLabel = t; }
    void HideLabel() override { ++labelsHidden; }
    void RequestPopupMenu(int x, int y) override { popups.push_back({x, y}); }
    LineAttributes CurrentLineAttributes() override { return line; }
    TextAttributes CurrentTextAttributes() override {
        TextAttributes t = text;
        t.Text = textString.c_str(), t.Font = font.c_str();
        return t;
    }
    void OpenLineStyleDialog(int mode) override { lineDialogs.push_back(mode); }
    void OpenTextStyleDialog(int mode, int index) override { textDialogs.push_back({mode, index}); }
    void MarkChanged() override { ++changes; }
};

struct Rig {
    std::unique_ptr<GraffitiStore> storePtr = std::make_unique<GraffitiStore>();
    GraffitiStore& store = *storePtr;
    GraffitiEditor editor;
    FakeHost host;
    int state = 0;
    ViewMapping mapping{0, 0, 0, 0, 1.0f};

    void Send(EditEvent e, int x, int y, bool shift = false) {
        EditInput in;
        in.Event = e, in.X = x, in.Y = y, in.Shift = shift, in.Mapping = mapping;
        state = editor.Step(state, in, store, host);
    }
    void Start(int command) { state = editor.StartCommand(state, command, host); }
    void Move(int x, int y, bool shift = false) { Send(EditEvent::Move, x, y, shift); }
    void Click(int x, int y, bool shift = false) {
        Send(EditEvent::LeftDown, x, y, shift);
        Send(EditEvent::LeftUp, x, y, shift);
    }
    void RightClick(int x, int y) {
        Send(EditEvent::RightDown, x, y);
        Send(EditEvent::RightUp, x, y);
    }
    void Drag(int x1, int y1, int x2, int y2, bool right = false) {
        Send(right ? EditEvent::RightDown : EditEvent::LeftDown, x1, y1);
        Move(x2, y2);
        Send(right ? EditEvent::RightUp : EditEvent::LeftUp, x2, y2);
    }
    void Escape() { Send(EditEvent::Escape, 0, 0); }
    void AddLine(int x1, int y1, int x2, int y2, ColorRef colour = 0x11) {
        store.RestoreLine(GraffitiLine{colour, 0, 1, 0, x1, y1, x2, y2, 0});
    }
    void AddText(int x1, int y1, int x2, int y2, uint32_t style = kFrameRect, int tipX = 0, int tipY = 0) {
        GraffitiText t{};
        t.X1 = x1, t.Y1 = y1, t.X2 = x2, t.Y2 = y2, t.LeaderX = tipX, t.LeaderY = tipY, t.Style = style;
        SetTextStrings(t, "F", "x");
        store.RestoreText(t);
    }
    // Every band that went up came down again and nothing was erased that was not shown.
    void ExpectClean() const {
        EXPECT_TRUE(host.onScreen.empty()) << host.onScreen.size() << " bands left on screen";
        EXPECT_EQ(host.strayErases, 0);
        EXPECT_EQ(editor.BandCount(), 0);
        EXPECT_EQ(host.labelsShown, host.labelsHidden);
    }
};

bool LineIs(const GraffitiLine& l, int x1, int y1, int x2, int y2) {
    return l.X1 == x1 && l.Y1 == y1 && l.X2 == x2 && l.Y2 == y2;
}

TEST(GraffitiEditor, GestureDirectionsAndOperations) {
    struct Case { int dx, dy, direction; } cases[] = {
        {17, 0, 0},  {18, 0, 4},  {0, 18, 7},   {0, -18, 11}, {-18, 0, 8},  {5, -30, 1},  {30, -5, 2},
        {30, 5, 4},  {5, 30, 5},  {-5, 30, 7},  {-30, 5, 8},  {-30, -5, 10}, {-5, -30, 11}, {12, 12, 0},
        {13, 12, 4}, {20, -20, 2}, {-20, -20, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GestureDirection(100, 100, 100 + c.dx, 100 + c.dy), c.direction) << c.dx << "," << c.dy;

    struct Op { bool first; int button, direction; EditOp op; } ops[] = {
        {true, 1, 1, EditOp::TextEdit},       {true, 1, 4, EditOp::Move},     {true, 1, 5, EditOp::AttributeChange},
        {true, 1, 7, EditOp::AttributeGet},   {true, 1, 10, EditOp::Delete},  {true, 1, 11, EditOp::EndpointMove},
        {true, 1, 2, EditOp::None},           {true, 1, 8, EditOp::None},     {true, 2, 2, EditOp::Midpoint},
        {true, 2, 4, EditOp::Midpoint},       {true, 2, 5, EditOp::None},     {false, 1, 8, EditOp::Cancel},
        {false, 1, 4, EditOp::None},          {false, 2, 4, EditOp::Midpoint}, {false, 2, 5, EditOp::Offset},
        {false, 2, 7, EditOp::Offset},        {false, 2, 10, EditOp::None},   {true, 1, 0, EditOp::None},
    };
    for (const Op& o : ops)
        EXPECT_EQ(GestureOperation(o.first, o.button, o.direction), o.op) << o.first << o.button << o.direction;
    EXPECT_STREQ(GestureLabel(EditOp::Move), "移動");
    EXPECT_STREQ(GestureLabel(EditOp::Cancel), "キャンセル");
}

TEST(GraffitiEditor, PickDistancesPartsAndTies) {
    Rig r;
    r.AddLine(0, 0, 100, 0);
    Pick p = PickObject(r.store, 50, 9);
    EXPECT_EQ(p.Kind, kPickLine);
    EXPECT_EQ(p.Part, 0);
    EXPECT_EQ(p.Code(), 0x01000000u);
    EXPECT_EQ(PickObject(r.store, 50, 10).Kind, 0);
    EXPECT_EQ(PickObject(r.store, 10, 3).Part, 1);
    EXPECT_EQ(PickObject(r.store, 90, 3).Part, 2);
    EXPECT_EQ(PickObject(r.store, 104, 0).Kind, kPickLine);  // t just under 1.05
    EXPECT_EQ(PickObject(r.store, 106, 0).Kind, 0);          // past it

    // A frame beats nothing but loses to a line no farther than 8; ties keep the earlier.
    r.AddText(40, 20, 80, 60);
    EXPECT_EQ(PickObject(r.store, 60, 8).Kind, kPickLine);
    p = PickObject(r.store, 60, 28);
    EXPECT_EQ(p.Kind, kPickText);
    EXPECT_EQ(p.Part, 3);
    EXPECT_EQ(p.Distance, 8.0);
    r.AddLine(0, 30, 100, 30);  // line index 1, 2 away from (60, 28)
    EXPECT_EQ(PickObject(r.store, 60, 28).Kind, kPickLine);
    EXPECT_EQ(PickObject(r.store, 60, 22).Kind, kPickLine);  // 8 from line 1: the tie goes to the line
    r.AddLine(0, 38, 100, 38);
    r.store.DeleteLine(1);  // line 38 now sits at index 1
    EXPECT_EQ(PickObject(r.store, 60, 22).Kind, kPickText);  // 16 and 22 away: the frame

    // Ellipses: outline distance, and a flat one measured as its diameter instead of dividing by 0.
    GraffitiStore& s = r.store;
    s.Clear();
    s.RestoreEllipse(GraffitiEllipse{0, 0, 1, 0, 0, 0, 100, 50, 0});
    p = PickObject(s, 105, 25);
    EXPECT_EQ(p.Kind, kPickEllipse);
    EXPECT_EQ(p.Part, 1);
    EXPECT_NEAR(p.Distance, 5.0, 1e-9);
    EXPECT_EQ(PickObject(s, 50, 3).Part, 3);
    EXPECT_EQ(PickObject(s, 50, 47).Part, 2);
    EXPECT_EQ(PickObject(s, 50, 25).Kind, 0);  // the centre
    s.RestoreEllipse(GraffitiEllipse{0, 0, 1, 0, 200, 80, 300, 80, 0});
    p = PickObject(s, 250, 84);
    EXPECT_EQ(p.Kind, kPickEllipse);
    EXPECT_EQ(p.Index, 1);
    EXPECT_NEAR(p.Distance, 4.0, 1e-9);

    // Leader: the half next to the tip is part 1, the far end part 2.
    s.Clear();
    GraffitiText t{};
    t.X1 = 100, t.Y1 = 100, t.X2 = 150, t.Y2 = 130, t.LeaderX = 0, t.LeaderY = 100, t.Style = kFrameLeader;
    s.RestoreText(t);
    EXPECT_EQ(PickObject(s, 20, 104).Part, 1);
    EXPECT_EQ(PickObject(s, 60, 104).Part, 0);
    EXPECT_EQ(PickObject(s, 95, 104).Part, 2);
    EXPECT_EQ(PickObject(s, 120, 110).Part, 3);
}

TEST(GraffitiEditor, SnapToleranceFollowsScale) {
    auto owner = std::make_unique<GraffitiStore>();
    GraffitiStore& s = *owner;
    s.RestoreLine(GraffitiLine{0, 0, 1, 0, 0, 0, 100, 0, 0});
    SnapPoint p = SnapToLineEnd(s, 12, 5, 1.0f);  // 13 from the start, tolerance 15
    EXPECT_TRUE(p.Found);
    EXPECT_EQ(p.X, 0);
    EXPECT_FALSE(SnapToLineEnd(s, 12, 5, 0.1f).Found);  // tolerance clamped up to 5 only
    EXPECT_TRUE(SnapToLineEnd(s, 4, 2, 0.1f).Found);
    p = SnapToLineEnd(s, 60, 5, 10.0f);  // tolerance 100: the end closer still wins
    EXPECT_TRUE(p.Found);
    EXPECT_EQ(p.X, 100);
    p = SnapToLineEnd(s, 50, 20, 10.0f);  // no line within pick range
    EXPECT_FALSE(p.Found);
    EXPECT_EQ(p.X, -9999);
}

TEST(GraffitiEditor, LineCommandShiftAndEscapeUndoesOwnObjects) {
    Rig r;
    r.host.line = LineAttributes{0x0000FF, 0xFFFFFF, 0x222222, 3, 0x00C10001u};
    r.Start(kLine);
    EXPECT_EQ(r.state, kLine);
    EXPECT_EQ(r.host.lineDialogs, std::vector<int>{1});
    EXPECT_EQ(r.host.status.back(), "直線コマンド");

    r.Click(10, 10);
    EXPECT_EQ(r.state, kLine | kSecond);
    EXPECT_EQ(r.host.status.back(), "Line (10,10)-");
    r.Move(50, 20, true);  // Shift alone: flatter than steep, so horizontal
    ASSERT_EQ(r.host.onScreen.size(), 1u);
    EXPECT_EQ(r.host.onScreen[0], (Band{BandKind::Line, 10, 10, 50, 10, 0}));
    r.Move(15, 60, true);
    EXPECT_EQ(r.host.onScreen[0], (Band{BandKind::Line, 10, 10, 10, 60, 0}));
    r.Send(EditEvent::LeftDown, 15, 60, true);
    EXPECT_EQ(r.state, kLine | kSecond | kPressed);
    EXPECT_EQ(r.state & ~kPressed, kLine | kSecond);  // the shell's way of dropping a press
    r.Send(EditEvent::LeftUp, 15, 60, true);
    EXPECT_EQ(r.state, kLine);
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_TRUE(LineIs(r.store.Line(0), 10, 10, 10, 60));
    EXPECT_EQ(r.store.Line(0).Style, 0x00C10001u);
    EXPECT_EQ(r.store.Line(0).Width, 3);
    EXPECT_EQ(r.host.changes, 1);
    EXPECT_EQ(r.host.status.back(), "直線");
    r.ExpectClean();

    r.Click(100, 100);
    r.Move(140, 130);
    r.Click(140, 130);
    EXPECT_EQ(r.store.LineCount(), 2);
    EXPECT_EQ(r.host.changes, 2);
    r.Escape();
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_TRUE(LineIs(r.store.Line(0), 10, 10, 10, 60));
    EXPECT_EQ(r.host.changes, 3);
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 0);
    r.Escape();
    EXPECT_EQ(r.host.changes, 4);  // nothing left of ours: no change

    // Escape in the middle of a line only drops the band.
    r.Click(5, 5);
    r.Move(40, 40);
    r.Escape();
    EXPECT_EQ(r.state, kLine);
    r.ExpectClean();
}

TEST(GraffitiEditor, EscapeNeverTakesOthersObjects) {
    Rig r;
    r.AddLine(0, 0, 50, 0, 0xA);   // loaded from a file
    r.AddLine(0, 100, 50, 100, 0xB);
    r.Start(kLine);
    r.Escape();  // nothing of ours yet: the loaded last line stays
    EXPECT_EQ(r.store.LineCount(), 2);

    r.Click(200, 200);
    r.Click(260, 200);
    ASSERT_EQ(r.store.LineCount(), 3);
    r.Drag(25, 2, 0, -10);  // delete gesture (10) on the first loaded line: ours moves into slot 0
    ASSERT_EQ(r.store.LineCount(), 2);
    EXPECT_TRUE(LineIs(r.store.Line(0), 200, 200, 260, 200));
    r.Escape();
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_EQ(r.store.Line(0).Colour, 0xBu);
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 1);

    // Ours, then the layer replaced by a file: Escape leaves the file alone.
    r.Click(300, 300);
    r.Click(330, 300);
    r.store.Clear();
    r.AddLine(1, 1, 9, 9);
    r.AddLine(2, 2, 8, 8);
    const int changes = r.host.changes;
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 2);
    EXPECT_EQ(r.host.changes, changes);

    // A new command forgets the old one's objects.
    r.Click(400, 400);
    r.Click(420, 400);
    r.Start(kPolyline);
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 3);
    r.ExpectClean();
}

TEST(GraffitiEditor, PolylineEllipseTextAndLeader) {
    Rig r;
    r.host.line.Style = 0xC0C00081u;
    r.Start(kPolyline);
    EXPECT_EQ(r.host.lineDialogs.back(), 3);
    r.Click(0, 0);
    r.Move(30, 0);
    r.Click(30, 0);
    r.Move(30, 40);
    r.Click(30, 40);
    EXPECT_EQ(r.state, kPolyline | kSecond);
    r.Click(30, 40);  // the same point twice ends it
    EXPECT_EQ(r.state, kPolyline);
    ASSERT_EQ(r.store.LineCount(), 2);
    EXPECT_TRUE(LineIs(r.store.Line(1), 30, 0, 30, 40));
    EXPECT_EQ(r.store.Line(1).Style, 0x81u);
    r.ExpectClean();

    r.Start(kEllipse);
    EXPECT_EQ(r.host.lineDialogs.back(), 2);
    r.Click(10, 10);
    r.Move(60, 40);
    EXPECT_EQ(r.host.onScreen.back().Kind, BandKind::Ellipse);
    r.Click(60, 40);
    ASSERT_EQ(r.store.EllipseCount(), 1);
    EXPECT_TRUE(LineIs(r.store.Ellipse(0), 10, 10, 60, 40));
    EXPECT_EQ(r.host.drawnObjects.back(), std::make_pair(kGraffitiEllipse, 0));
    r.ExpectClean();

    r.host.text.Direction = 30;
    r.host.text.CharAngle = 5;
    r.host.text.Weight = 400;
    r.Start(kText);
    EXPECT_EQ(r.host.textDialogs.back(), std::make_pair(1, -1));
    r.Click(100, 100);
    r.Move(160, 130);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 100, 100, 160, 130, 30}));
    r.Click(160, 130);
    ASSERT_EQ(r.store.TextCount(), 1);
    const GraffitiText& t = r.store.Text(0);
    EXPECT_EQ(t.Escapement, 300);
    EXPECT_EQ(t.Orientation, 50);
    EXPECT_EQ(t.LeaderX, 0);
    EXPECT_STREQ(t.Text, "ab\r\ncde");
    r.ExpectClean();

    r.host.text.Style = kFrameLeader;
    r.Start(kLeader);
    EXPECT_EQ(r.host.textDialogs.back(), std::make_pair(2, -1));
    r.Click(200, 200);  // tip
    r.Move(250, 180);
    r.Click(250, 180);
    EXPECT_EQ(r.state, kLeader | kLeaderFrame);
    EXPECT_EQ(r.host.onScreen.size(), 1u);  // the guide stays
    r.Move(300, 150);
    EXPECT_EQ(r.host.onScreen.size(), 2u);
    r.Click(300, 150);
    ASSERT_EQ(r.store.TextCount(), 2);
    const GraffitiText& l = r.store.Text(1);
    EXPECT_EQ(l.LeaderX, 200);
    EXPECT_EQ(l.LeaderY, 200);
    EXPECT_EQ(l.X1, 250);
    EXPECT_EQ(l.X2, 300);
    EXPECT_EQ(l.Escapement, 300);  // the leader command keeps the last text direction
    EXPECT_EQ(r.host.changes, 5);
    r.Escape();
    EXPECT_EQ(r.store.TextCount(), 1);
    r.ExpectClean();
}

TEST(GraffitiEditor, FixedSizeTexts) {
    Rig r;
    r.host.text.Size = kTextFixedSize | (20u << 12) | 10u;  // W 10, H 20; "ab\r\ncde" is 4 x 2 cells
    r.Start(kText);
    r.Move(100, 100);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 100, 100, 140, 60, 0}));
    r.Click(100, 100);
    ASSERT_EQ(r.store.TextCount(), 1);
    EXPECT_EQ(r.store.Text(0).X2, 140);
    EXPECT_EQ(r.store.Text(0).Y2, 60);
    EXPECT_EQ(r.state, kText);
    r.ExpectClean();

    r.host.text.Style = kFrameLeader;
    r.Start(kLeader);
    r.Click(10, 300);  // tip
    EXPECT_EQ(r.state, kLeader | kFixedTip);
    r.Move(80, 250);
    EXPECT_EQ(r.host.onScreen.size(), 2u);
    r.Click(80, 250);  // first corner
    EXPECT_EQ(r.state, kLeader | kFixedCorner);
    r.Move(50, 260);   // left of the corner: the frame turns to the left
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 80, 250, 40, 210, 0}));
    r.Click(50, 260);
    ASSERT_EQ(r.store.TextCount(), 2);
    const GraffitiText& t = r.store.Text(1);
    EXPECT_EQ(t.X1, 80);
    EXPECT_EQ(t.X2, 40);
    EXPECT_EQ(t.Y2, 210);
    EXPECT_EQ(t.LeaderX, 10);
    r.ExpectClean();
}

TEST(GraffitiEditor, MoveEndpointAndAttributeGestures) {
    Rig r;
    r.AddLine(100, 100, 200, 100);
    r.AddLine(100, 300, 200, 300);
    r.state = kNone;

    // Move picked near the first end: (x1, y1) follows the release point.
    r.Drag(105, 102, 130, 102);
    EXPECT_EQ(r.state, kMoving);
    EXPECT_EQ(r.host.lastLabel, "移動");
    r.Move(150, 150);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 150, 150, 250, 150, 0}));
    r.Click(150, 150);
    EXPECT_EQ(r.state, kNone);
    EXPECT_TRUE(LineIs(r.store.Line(0), 150, 150, 250, 150));
    EXPECT_EQ(r.host.changes, 1);
    r.ExpectClean();

    // Near the second end: the same segment with its ends exchanged.
    r.Drag(245, 150, 270, 150);
    r.Move(0, 0);
    r.Click(0, 0);
    EXPECT_TRUE(LineIs(r.store.Line(0), 100, 0, 0, 0));
    // In the middle nothing moves.
    r.Drag(50, 2, 75, 2);
    r.Click(400, 400);
    EXPECT_TRUE(LineIs(r.store.Line(0), 100, 0, 0, 0));
    EXPECT_EQ(r.host.changes, 2);

    // Endpoint move (11) of the second end of line 1.
    r.Drag(198, 302, 190, 270);
    EXPECT_EQ(r.state, kEndpoint);
    r.Move(220, 340);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 100, 300, 220, 340, 0}));
    r.Click(220, 340);
    EXPECT_TRUE(LineIs(r.store.Line(1), 100, 300, 220, 340));
    r.ExpectClean();

    // Attribute get (7) from line 1, change (5) onto an ellipse.
    r.store.SetLineAttributes(1, 0x123456, 0x654321, 0x0F0F0F, 7, 0x101);
    r.store.RestoreEllipse(GraffitiEllipse{1, 2, 3, 4, 500, 500, 600, 560, 5});
    r.Drag(150, 320, 150, 345);
    EXPECT_EQ(r.host.status.back(), "属性取得　線[1] 太さ=7　線色=123456 背景色=654321　影色=f0f0f");
    const int changes = r.host.changes;
    r.Drag(602, 530, 610, 560);
    EXPECT_EQ(r.store.Ellipse(0).Colour, 0x123456u);
    EXPECT_EQ(r.store.Ellipse(0).Width, 7);
    EXPECT_EQ(r.store.Ellipse(0).Style, 0x101u);
    EXPECT_EQ(r.host.changes, changes + 1);

    // A text moves only when taken inside its frame; Escape drops a move in progress.
    r.AddText(700, 700, 760, 740, kFrameLeader, 650, 700);
    r.Drag(660, 702, 690, 702);  // on the leader, not inside
    EXPECT_EQ(r.state, kNone);
    r.Drag(730, 720, 760, 720);
    EXPECT_EQ(r.state, kMoving);
    r.Move(800, 800);
    EXPECT_EQ(r.host.onScreen.size(), 2u);  // frame and leader
    r.Escape();
    EXPECT_EQ(r.state, kNone);
    r.ExpectClean();
    r.Drag(730, 720, 760, 720);
    r.Click(800, 800);
    const GraffitiText& t = r.store.Text(0);
    EXPECT_EQ(t.X1, 800);
    EXPECT_EQ(t.Y2, 840);
    EXPECT_EQ(t.LeaderX, 650);
    // The leader tip follows an endpoint move taken near it.
    r.Drag(660, 702, 650, 680);
    EXPECT_EQ(r.state, kEndpoint);
    r.Click(600, 650);
    EXPECT_EQ(r.store.Text(0).LeaderX, 600);
    EXPECT_EQ(r.store.Text(0).LeaderY, 650);
    r.ExpectClean();

    // A gesture on empty space does nothing; a drag back inside the radius is no gesture.
    const int before = r.host.changes;
    r.Drag(1000, 1000, 1000, 1030);
    r.Send(EditEvent::LeftDown, 150, 302);
    r.Move(180, 302);
    r.Move(155, 302);
    r.Send(EditEvent::LeftUp, 155, 302);
    EXPECT_EQ(r.host.changes, before);
    EXPECT_EQ(r.state, kNone);
    r.ExpectClean();
}

TEST(GraffitiEditor, TextEditSurvivesOrRefusesAfterDeletes) {
    Rig r;
    r.AddText(0, 0, 50, 30);
    r.AddText(100, 0, 150, 30);
    r.AddText(200, 0, 250, 30);
    r.Drag(120, 15, 130, -5);  // text edit (1) on text 1
    ASSERT_TRUE(r.editor.TextEditPending());
    EXPECT_EQ(r.host.textDialogs.back(), std::make_pair(3, 1));

    GraffitiText changed = r.store.Text(1);
    SetTextStrings(changed, "F", "new");
    r.Drag(20, 15, 0, -5);  // delete (10) text 0: text 2 moves to 0, ours stays at 1
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), 0);
    EXPECT_STREQ(r.store.Text(1).Text, "new");
    EXPECT_EQ(r.store.Text(0).X1, 200);

    // Moved by someone else's delete: found where it went.
    r.Drag(120, 15, 128, -5);
    ASSERT_EQ(r.editor.TextEditIndex(), 1);
    r.store.DeleteText(0);
    changed = r.store.Text(0);
    SetTextStrings(changed, "F", "newer");
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), 0);
    ASSERT_EQ(r.store.TextCount(), 1);
    EXPECT_STREQ(r.store.Text(0).Text, "newer");
    // Gone before the dialog applies: refused, and the text now in its slot stays.
    r.Drag(120, 15, 128, -5);
    ASSERT_TRUE(r.editor.TextEditPending());
    r.store.Clear();
    r.AddText(0, 0, 50, 30);
    const int changes = r.host.changes;
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), kGraffitiBadIndex);
    EXPECT_STREQ(r.store.Text(0).Text, "x");
    EXPECT_EQ(r.host.changes, changes);
    EXPECT_FALSE(r.editor.TextEditPending());
}

TEST(GraffitiEditor, MidpointCancelPopupAndDeleteCommand) {
    Rig r;
    r.AddLine(0, 0, 100, 0);
    r.AddLine(100, 100, 200, 100);
    r.Start(kLine);
    r.Drag(3, 2, 30, 2, true);  // right drag 4 from the end (0, 0)
    EXPECT_EQ(r.state, kMidpoint);
    EXPECT_EQ(r.host.status.back(), "2点間中心　◆◆B点指示◆◆");
    r.RightClick(300, 300);  // no end nearby: ignored
    EXPECT_EQ(r.state, kMidpoint);
    r.RightClick(198, 103);  // B = (200, 100)
    EXPECT_EQ(r.state, kLine | kSecond);
    EXPECT_EQ(r.editor.P1X(), 100);
    EXPECT_EQ(r.editor.P1Y(), 50);
    // Right click on a line end fixes the second point there.
    r.Move(90, 90);
    r.RightClick(103, 97);
    ASSERT_EQ(r.store.LineCount(), 3);
    EXPECT_TRUE(LineIs(r.store.Line(2), 100, 50, 100, 100));
    r.ExpectClean();

    // Cancel (left 8) at the second point; offset (right 5) changes nothing.
    r.Click(400, 400);
    r.Move(450, 450);
    r.Drag(450, 450, 470, 490, true);
    EXPECT_EQ(r.state, kLine | kSecond);
    r.Drag(450, 450, 420, 455);
    EXPECT_EQ(r.state, kLine);
    EXPECT_EQ(r.store.LineCount(), 3);
    r.ExpectClean();

    // Right click with nothing to snap: pop-up menu, back to step 0.
    r.RightClick(500, 520);
    EXPECT_EQ(r.host.popups.back(), std::make_pair(500, 520));
    EXPECT_EQ(r.state, kLine);

    r.Start(kDelete);
    const size_t invalidated = r.host.invalidated.size();
    const int changes = r.host.changes;
    r.Click(150, 104);
    EXPECT_EQ(r.store.LineCount(), 2);
    r.Click(900, 900);
    EXPECT_EQ(r.store.LineCount(), 2);
    ASSERT_EQ(r.host.invalidated.size(), invalidated + 1);
    EXPECT_LE(r.host.invalidated.back().Left, 100);
    EXPECT_GE(r.host.invalidated.back().Right, 200);
    EXPECT_EQ(r.host.changes, changes + 1);
    r.ExpectClean();
}

TEST(GraffitiEditor, WindowMappingAndHighBitsPassThrough) {
    Rig r;
    r.mapping = ViewMapping{10, 20, 100, 200, 2.0f};
    r.state = 0x10000;  // someone else's flag
    r.state = r.editor.StartCommand(r.state, kLine, r.host);
    EXPECT_EQ(r.state, 0x10000 | kLine);
    r.Click(15, 25);  // image (110, 210)
    r.Move(35, 25);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 15, 25, 35, 25, 0}));
    r.Click(35, 25);
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_TRUE(LineIs(r.store.Line(0), 110, 210, 150, 210));
    EXPECT_EQ(r.state, 0x10000 | kLine);
    // Far outside, points stay in 16 bits.
    r.Click(100000, 100000);
    EXPECT_EQ(r.editor.P1X(), 32767);
    r.Escape();
    r.ExpectClean();
}

}  // namespace
