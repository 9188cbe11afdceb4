// Which questions come before the current picture, its lines or its graffiti are replaced
// or dropped: one plan for opening a file, stepping through the folder, closing and deleting.
// The glue asks the questions in order; Cancel on any of them changes nothing.
#pragma once

enum class DiscardReason {
    Load,          // opening a file, a drop, selecting an entry
    LoadKeeping,   // stepping with the keys that keep graffiti and view
    Close,
    Delete,
};

struct DiscardState {
    bool Converting = false;
    bool VectorLines = false;
    bool GraffitiObjects = false;
    bool GraffitiChanged = false;  // changed since it was saved, read or cleared
    bool ImageEdited = false;
};

struct Question {
    const char* Text;
    const char* Caption;
    bool Icon;  // MB_ICONQUESTION
};

struct DiscardPlan {
    bool Refused = false;  // a conversion is writing lines for this picture
    int QuestionCount = 0;
    Question Questions[4] = {};
    bool ClearLines = false;     // after every OK
    bool ClearGraffiti = false;
};

DiscardPlan PlanDiscard(DiscardReason reason, const DiscardState& state);
