#include "graffiti/GraffitiEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace edit;

namespace {

// Records every call; bands must be erased exactly as they were drawn (inverting pen).
struct FakeHost : EditHost {
    std::vector<Band> onScreen;
    int strayErases = 0, labelsShown = 0, labelsHidden = 0, changes = 0;
    std::vector<IntBox> invalidated;
    std::vector<std::string> status;
    std::string lastLabel;
    std::vector<std::pair<int, int>> popups, textDialogs;
    std::vector<int> lineDialogs;
    LineAttributes line;
    TextAttributes text;
    std::string textString = "ab\r\ncde", font = "Font";

    void DrawBand(const Band& b) override { onScreen.push_back(b); }
    void EraseBand(const Band& b) override {
        auto it = std::find(onScreen.begin(), onScreen.end(), b);
        if (it == onScreen.end()) ++strayErases;
        else onScreen.erase(it);
    }
    void InvalidateImageBox(const IntBox& box) override { invalidated.push_back(box); }
    void DrawNewObject(GraffitiKind, int) override {}
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
    std::unique_ptr<GraffitiStore> owner = std::make_unique<GraffitiStore>();
    GraffitiStore& store = *owner;
    GraffitiEditor editor;
    FakeHost host;
    int state = 0;
    ViewMapping mapping{0, 0, 0, 0, 1.0f};

    void Send(EditEvent e, int x, int y, bool shift = false) {
        EditInput in;
        in.Event = e, in.X = x, in.Y = y, in.Shift = shift, in.Mapping = mapping;
        state = editor.Step(state, in, store, host);
    }
    void Start(int command) { state = editor.StartCommand(state, command, store, host); }
    void Move(int x, int y, bool shift = false) { Send(EditEvent::Move, x, y, shift); }
    void Click(int x, int y, bool shift = false, bool right = false) {
        Send(right ? EditEvent::RightDown : EditEvent::LeftDown, x, y, shift);
        Send(right ? EditEvent::RightUp : EditEvent::LeftUp, x, y, shift);
    }
    void RightClick(int x, int y) { Click(x, y, false, true); }
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
    void ExpectClean() const {
        EXPECT_TRUE(host.onScreen.empty()) << host.onScreen.size() << " bands left on screen";
        EXPECT_EQ(host.strayErases, 0);
        EXPECT_EQ(editor.BandCount(), 0);
        EXPECT_EQ(host.labelsShown, host.labelsHidden);
    }
};

using Points = std::array<int, 4>;
Points Of(const GraffitiLine& l) { return {l.X1, l.Y1, l.X2, l.Y2}; }
std::array<int, 6> Of(const GraffitiText& t) { return {t.X1, t.Y1, t.X2, t.Y2, t.LeaderX, t.LeaderY}; }
// Kind * 10 + part of the pick at (x, y); 0 for nothing.
int KindPart(const GraffitiStore& s, int x, int y) {
    const Pick p = PickObject(s, x, y);
    return p.Kind * 10 + p.Part;
}

TEST(GraffitiEditor, GestureDirectionsAndOperations) {
    // {dx, dy, direction}: 17 pixels is inside the radius, 18 is not; axes fall as the table says.
    const int cases[][3] = {{17, 0, 0}, {18, 0, 4}, {0, 18, 7}, {0, -18, 11}, {-18, 0, 8}, {12, 12, 0},
                            {5, -30, 1}, {30, -5, 2}, {20, -20, 2}, {30, 5, 4}, {13, 12, 4}, {5, 30, 5},
                            {-5, 30, 7}, {-30, 5, 8}, {-30, -5, 10}, {-20, -20, 10}, {-5, -30, 11}};
    for (const auto& c : cases) EXPECT_EQ(GestureDirection(100, 100, 100 + c[0], 100 + c[1]), c[2]) << c[0] << "," << c[1];

    EXPECT_EQ(GestureOperation(true, 1, 4), EditOp::Move);
    EXPECT_EQ(GestureOperation(false, 1, 8), EditOp::Cancel);
    EXPECT_EQ(GestureOperation(false, 1, 4), EditOp::None);
    EXPECT_STREQ(GestureLabel(EditOp::Move), "移動");
}

TEST(GraffitiEditor, PickAndSnapDistances) {
    Rig r;
    GraffitiStore& s = r.store;
    r.AddLine(0, 0, 100, 0);
    EXPECT_EQ(PickObject(s, 50, 9).Code(), 0x01000000u);
    const int lineCases[][3] = {{50, 10, 0}, {10, 3, 11}, {90, 3, 12}, {104, 0, 12}, {106, 0, 0}};
    for (const auto& c : lineCases) EXPECT_EQ(KindPart(s, c[0], c[1]), c[2]) << c[0] << "," << c[1];

    // Inside a frame counts as 8: a line at 8 or less wins (earlier objects win ties).
    r.AddText(40, 20, 80, 60);
    EXPECT_EQ(KindPart(s, 60, 28), 33);
    r.AddLine(0, 30, 100, 30);
    EXPECT_EQ(KindPart(s, 60, 22), 10);
    r.AddLine(0, 38, 100, 38);
    s.DeleteLine(1);
    EXPECT_EQ(KindPart(s, 60, 22), 33);

    // Ellipse outline parts; a flat ellipse is measured as its diameter, not divided by zero.
    s.Clear();
    s.RestoreEllipse(GraffitiEllipse{0, 0, 1, 0, 0, 0, 100, 50, 0});
    s.RestoreEllipse(GraffitiEllipse{0, 0, 1, 0, 200, 80, 300, 80, 0});
    EXPECT_NEAR(PickObject(s, 105, 25).Distance, 5.0, 1e-9);
    const int ellipseCases[][3] = {{105, 25, 21}, {50, 3, 23}, {50, 47, 22}, {50, 25, 0}, {250, 84, 21}};
    for (const auto& c : ellipseCases) EXPECT_EQ(KindPart(s, c[0], c[1]), c[2]) << c[0] << "," << c[1];
    EXPECT_EQ(PickObject(s, 250, 84).Index, 1);

    // Leader from the tip (0, 100): near half part 1, far end part 2, inside the frame 3.
    s.Clear();
    r.AddText(100, 100, 150, 130, kFrameLeader, 0, 100);
    const int leaderCases[][3] = {{20, 104, 31}, {60, 104, 30}, {95, 104, 32}, {120, 110, 33}};
    for (const auto& c : leaderCases) EXPECT_EQ(KindPart(s, c[0], c[1]), c[2]) << c[0] << "," << c[1];

    // Snap tolerance clamp(15 * scale, 5, 100); the closer end wins.
    s.Clear();
    r.AddLine(0, 0, 100, 0);
    EXPECT_EQ(SnapToLineEnd(s, 12, 5, 1.0f).X, 0);
    EXPECT_FALSE(SnapToLineEnd(s, 12, 5, 0.1f).Found);
    EXPECT_TRUE(SnapToLineEnd(s, 4, 2, 0.1f).Found);
    EXPECT_EQ(SnapToLineEnd(s, 60, 5, 10.0f).X, 100);
    EXPECT_EQ(SnapToLineEnd(s, 50, 20, 10.0f).X, -9999);
}

TEST(GraffitiEditor, LineCommandShiftAndEscapeUndoesOwnObjects) {
    Rig r;
    r.host.line = LineAttributes{0x0000FF, 0xFFFFFF, 0x222222, 3, 0x00C10001u};
    r.Start(kLine);
    EXPECT_EQ(r.host.lineDialogs, std::vector<int>{1});
    EXPECT_EQ(r.host.status.back(), "直線コマンド");
    r.Click(10, 10);
    EXPECT_EQ(r.host.status.back(), "Line (10,10)-");
    r.Move(50, 20, true);  // Shift alone: the flatter way, horizontal
    EXPECT_EQ(r.host.onScreen, std::vector<Band>{(Band{BandKind::Line, 10, 10, 50, 10})});
    r.Move(15, 60, true);
    EXPECT_EQ(r.host.onScreen, std::vector<Band>{(Band{BandKind::Line, 10, 10, 10, 60})});
    r.Send(EditEvent::LeftDown, 15, 60, true);
    EXPECT_EQ(r.state & ~kPressed, kLine | kSecond);  // the shell drops a press by this bit
    r.Send(EditEvent::LeftUp, 15, 60, true);
    EXPECT_EQ(r.state, kLine);
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{10, 10, 10, 60}));
    EXPECT_EQ(r.store.Line(0).Style, 0x00C10001u);
    EXPECT_EQ(r.host.changes, 1);
    r.ExpectClean();

    r.Click(100, 100);
    r.Move(140, 130);
    r.Click(140, 130);
    EXPECT_EQ(r.host.changes, 2);
    r.Escape();  // the second line only
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{10, 10, 10, 60}));
    r.Escape();
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 0);
    EXPECT_EQ(r.host.changes, 4);

    r.Click(5, 5);  // Escape halfway only drops the band
    r.Move(40, 40);
    r.Escape();
    EXPECT_EQ(r.state, kLine);
    r.ExpectClean();
}

TEST(GraffitiEditor, EscapeNeverTakesOthersObjects) {
    Rig r;
    r.AddLine(0, 0, 50, 0, 0xA);  // read from a file
    r.AddLine(0, 100, 50, 100, 0xB);
    r.Start(kLine);
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 2);

    r.Click(200, 200);
    r.Click(260, 200);
    r.Drag(25, 2, 0, -10);  // delete gesture on 0xA: ours moves into its slot
    EXPECT_EQ(Of(r.store.Line(0)), (Points{200, 200, 260, 200}));
    r.Escape();
    r.Escape();
    ASSERT_EQ(r.store.LineCount(), 1);
    EXPECT_EQ(r.store.Line(0).Colour, 0xBu);

    r.Click(300, 300);  // ours, then the layer replaced by a file
    r.Click(330, 300);
    r.store.Clear();
    r.AddLine(1, 1, 9, 9);
    const int changes = r.host.changes;
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 1);
    EXPECT_EQ(r.host.changes, changes);

    r.Click(400, 400);  // a new command forgets the old one's objects
    r.Click(420, 400);
    r.Start(kPolyline);
    r.Escape();
    EXPECT_EQ(r.store.LineCount(), 2);
    r.ExpectClean();
}

TEST(GraffitiEditor, PolylineEllipseTextAndLeader) {
    Rig r;
    r.host.line.Style = 0xC0C00081u;
    r.Start(kPolyline);
    r.Click(0, 0);
    r.Move(30, 0);
    r.Click(30, 0);
    r.Move(30, 40);
    r.Click(30, 40);
    EXPECT_EQ(r.state, kPolyline | kSecond);
    r.Click(30, 40);  // the same point twice ends it
    EXPECT_EQ(r.state, kPolyline);
    ASSERT_EQ(r.store.LineCount(), 2);
    EXPECT_EQ(Of(r.store.Line(1)), (Points{30, 0, 30, 40}));
    EXPECT_EQ(r.store.Line(1).Style, 0x81u);  // no end shapes

    r.Start(kEllipse);
    r.Click(10, 10);
    r.Move(60, 40);
    EXPECT_EQ(r.host.onScreen.back().Kind, BandKind::Ellipse);
    r.Click(60, 40);
    EXPECT_EQ(Of(r.store.Ellipse(0)), (Points{10, 10, 60, 40}));
    EXPECT_EQ(r.host.lineDialogs, (std::vector<int>{3, 2}));

    r.host.text.Direction = 30, r.host.text.CharAngle = 5;
    r.Start(kText);
    r.Click(100, 100);
    r.Move(160, 130);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 100, 100, 160, 130, 30}));
    r.Click(160, 130);
    ASSERT_EQ(r.store.TextCount(), 1);
    EXPECT_EQ(Of(r.store.Text(0)), (std::array<int, 6>{100, 100, 160, 130, 0, 0}));
    EXPECT_EQ(r.store.Text(0).Escapement, 300);
    EXPECT_EQ(r.store.Text(0).Orientation, 50);
    EXPECT_STREQ(r.store.Text(0).Text, "ab\r\ncde");

    r.host.text.Style = kFrameLeader;
    r.Start(kLeader);
    r.Click(200, 200);  // tip
    r.Move(250, 180);
    r.Click(250, 180);
    EXPECT_EQ(r.host.onScreen.size(), 1u);  // the guide stays
    r.Move(300, 150);
    EXPECT_EQ(r.host.onScreen.size(), 2u);
    r.Click(300, 150);
    ASSERT_EQ(r.store.TextCount(), 2);
    EXPECT_EQ(Of(r.store.Text(1)), (std::array<int, 6>{250, 180, 300, 150, 200, 200}));
    EXPECT_EQ(r.store.Text(1).Escapement, 300);  // the last text command's direction
    EXPECT_EQ(r.host.textDialogs, (std::vector<std::pair<int, int>>{{1, -1}, {2, -1}}));
    EXPECT_EQ(r.host.changes, 5);
    r.Escape();
    EXPECT_EQ(r.store.TextCount(), 1);
    r.ExpectClean();
}

TEST(GraffitiEditor, FixedSizeTexts) {
    Rig r;
    r.host.text.Size = kTextFixedSize | (20u << 12) | 10u;  // W 10, H 20; the text is 4 x 2 cells
    r.AddText(0, 0, 9, 9);
    r.Start(kText);
    EXPECT_EQ(r.host.status.back(), "文字　[1]   1300");
    r.store.Clear();
    r.Move(100, 100);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 100, 100, 140, 60}));
    r.Click(100, 100);
    ASSERT_EQ(r.store.TextCount(), 1);
    EXPECT_EQ(Of(r.store.Text(0)), (std::array<int, 6>{100, 100, 140, 60, 0, 0}));
    r.ExpectClean();

    r.host.text.Style = kFrameLeader;
    r.Start(kLeader);
    r.Click(10, 300);  // tip
    r.Move(80, 250);
    EXPECT_EQ(r.host.onScreen.size(), 2u);
    r.Click(80, 250);  // first corner
    r.Move(50, 260);   // left of it: the frame turns left
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Rect, 80, 250, 40, 210}));
    r.Click(50, 260);
    ASSERT_EQ(r.store.TextCount(), 2);
    EXPECT_EQ(Of(r.store.Text(1)), (std::array<int, 6>{80, 250, 40, 210, 10, 300}));
    r.ExpectClean();
}

TEST(GraffitiEditor, MoveEndpointAndAttributeGestures) {
    Rig r;
    r.AddLine(100, 100, 200, 100);
    r.AddLine(100, 300, 200, 300);
    r.Drag(105, 102, 130, 102);  // move, taken near the first end
    EXPECT_EQ(r.state, kMoving);
    EXPECT_EQ(r.host.lastLabel, "移動");
    r.Move(150, 150);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 150, 150, 250, 150}));
    r.Click(150, 150);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{150, 150, 250, 150}));
    r.Drag(245, 150, 270, 150);  // near the second end: ends exchanged
    r.Click(0, 0);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{100, 0, 0, 0}));
    r.Drag(50, 2, 75, 2);  // in the middle: nothing moves
    r.Click(400, 400);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{100, 0, 0, 0}));
    EXPECT_EQ(r.host.changes, 2);

    r.Drag(198, 302, 190, 270);  // endpoint move of the second end
    EXPECT_EQ(r.state, kEndpoint);
    r.Move(220, 340);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 100, 300, 220, 340}));
    r.Click(220, 340);
    EXPECT_EQ(Of(r.store.Line(1)), (Points{100, 300, 220, 340}));
    r.ExpectClean();

    r.store.SetLineAttributes(1, 0x123456, 0x654321, 0x0F0F0F, 7, 0x101);
    r.store.RestoreEllipse(GraffitiEllipse{1, 2, 3, 4, 500, 500, 600, 560, 5});
    r.Drag(150, 320, 150, 345);  // get
    EXPECT_EQ(r.host.status.back(), "属性取得　線[1] 太さ=7　線色=123456 背景色=654321　影色=f0f0f");
    r.Drag(602, 530, 610, 560);  // change
    const GraffitiEllipse& e = r.store.Ellipse(0);
    EXPECT_EQ((std::array<uint32_t, 5>{e.Colour, e.Fill, e.Shadow, uint32_t(e.Width), e.Style}),
              (std::array<uint32_t, 5>{0x123456, 0x654321, 0x0F0F0F, 7, 0x101}));
    EXPECT_EQ(r.host.changes, 4);

    // A text moves only when taken inside its frame; Escape drops a move under way.
    r.AddText(700, 700, 760, 740, kFrameLeader, 650, 700);
    r.Drag(660, 702, 690, 702);
    EXPECT_EQ(r.state, kNone);
    r.Drag(730, 720, 760, 720);
    r.Move(800, 800);
    EXPECT_EQ(r.host.onScreen.size(), 2u);  // frame and leader
    r.Escape();
    r.ExpectClean();
    r.Drag(730, 720, 760, 720);
    r.Click(800, 800);
    EXPECT_EQ(Of(r.store.Text(0)), (std::array<int, 6>{800, 800, 860, 840, 650, 700}));
    r.Drag(660, 702, 650, 680);  // the leader tip follows an endpoint move
    r.Click(600, 650);
    EXPECT_EQ(Of(r.store.Text(0)), (std::array<int, 6>{800, 800, 860, 840, 600, 650}));
    EXPECT_EQ(r.host.changes, 6);

    // On empty space, or back inside the radius: nothing.
    r.Drag(1000, 1000, 1000, 1030);
    r.Send(EditEvent::LeftDown, 150, 302);
    r.Move(180, 302);
    r.Move(180, 330);  // another operation replaces the label
    r.Move(155, 302);
    r.Send(EditEvent::LeftUp, 155, 302);
    EXPECT_EQ(r.host.changes, 6);
    EXPECT_EQ(r.state, kNone);
    r.ExpectClean();
}

TEST(GraffitiEditor, TextEditFollowsItsRecordOrIsRefused) {
    Rig r;
    r.AddText(0, 0, 50, 30);
    r.AddText(100, 0, 150, 30);
    r.AddText(200, 0, 250, 30);
    r.Drag(120, 15, 128, -5);  // text edit on text 1
    EXPECT_EQ(r.host.textDialogs.back(), std::make_pair(3, 1));
    GraffitiText changed = r.store.Text(1);
    SetTextStrings(changed, "F", "new");
    r.Drag(20, 15, 0, -5);  // delete text 0: text 2 takes its slot
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), 0);
    EXPECT_STREQ(r.store.Text(1).Text, "new");
    EXPECT_EQ(r.store.Text(0).X1, 200);

    r.Drag(120, 15, 128, -5);
    r.store.DeleteText(0);  // someone else's delete moves ours to slot 0
    SetTextStrings(changed, "F", "newer");
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), 0);
    ASSERT_EQ(r.store.TextCount(), 1);
    EXPECT_STREQ(r.store.Text(0).Text, "newer");

    r.Drag(120, 15, 128, -5);
    r.store.Clear();  // gone before the dialog applies
    r.AddText(0, 0, 50, 30);
    EXPECT_EQ(r.editor.LocateTextEdit(r.store), -1);
    const int changes = r.host.changes;
    EXPECT_EQ(r.editor.ApplyTextEdit(r.store, changed, r.host), kGraffitiBadIndex);
    EXPECT_STREQ(r.store.Text(0).Text, "x");
    EXPECT_EQ(r.host.changes, changes);
}

TEST(GraffitiEditor, MidpointCancelPopupAndDeleteCommand) {
    Rig r;
    r.AddLine(0, 0, 100, 0);
    r.AddLine(100, 100, 200, 100);
    r.Start(kLine);
    r.Drag(3, 2, 30, 2, true);  // right drag from the end (0, 0)
    EXPECT_EQ(r.state, kMidpoint);
    EXPECT_EQ(r.host.status.back(), "2点間中心　◆◆B点指示◆◆");
    r.RightClick(300, 300);  // no end there: ignored
    EXPECT_EQ(r.state, kMidpoint);
    r.RightClick(198, 103);  // B = (200, 100)
    EXPECT_EQ(r.state, kLine | kSecond);
    EXPECT_EQ((std::array<int, 2>{r.editor.P1X(), r.editor.P1Y()}), (std::array<int, 2>{100, 50}));
    r.Move(90, 90);
    r.RightClick(103, 97);  // the second point snapped to (100, 100)
    ASSERT_EQ(r.store.LineCount(), 3);
    EXPECT_EQ(Of(r.store.Line(2)), (Points{100, 50, 100, 100}));
    r.ExpectClean();

    r.Click(400, 400);
    r.Move(450, 450);
    r.Drag(450, 450, 470, 490, true);  // offset: nothing
    EXPECT_EQ(r.state, kLine | kSecond);
    r.Drag(450, 450, 420, 455);  // cancel
    EXPECT_EQ(r.state, kLine);
    EXPECT_EQ(r.store.LineCount(), 3);
    r.ExpectClean();

    r.Click(400, 400);
    r.Move(450, 450);
    r.state = r.editor.Abort(r.state, r.host);
    EXPECT_EQ(r.state, kLine);
    r.ExpectClean();
    r.RightClick(500, 520);  // nothing to snap: the pop-up menu
    EXPECT_EQ(r.host.popups.back(), std::make_pair(500, 520));

    r.Start(kDelete);
    const size_t invalidated = r.host.invalidated.size();
    r.Click(150, 104);
    r.Click(900, 900);
    EXPECT_EQ(r.store.LineCount(), 2);
    ASSERT_EQ(r.host.invalidated.size(), invalidated + 1);
    EXPECT_LE(r.host.invalidated.back().Left, 100);
    EXPECT_GE(r.host.invalidated.back().Right, 200);
    EXPECT_EQ(r.host.changes, 2);
}

TEST(GraffitiEditor, WindowMappingClampingAndForeignBits) {
    Rig r;
    r.mapping = ViewMapping{10, 20, 100, 200, 2.0f};
    r.state = 0x10000;
    r.Start(kLine);
    r.Click(15, 25);  // image (110, 210)
    r.Move(35, 25);
    EXPECT_EQ(r.host.onScreen.back(), (Band{BandKind::Line, 15, 25, 35, 25}));
    r.Click(35, 25);
    EXPECT_EQ(Of(r.store.Line(0)), (Points{110, 210, 150, 210}));
    EXPECT_EQ(r.state, 0x10000 | kLine);
    r.Click(100000, 100000);
    EXPECT_EQ(r.editor.P1X(), 32767);
    r.Escape();
    r.ExpectClean();
}

}  // namespace
