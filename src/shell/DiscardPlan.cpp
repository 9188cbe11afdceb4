#include "shell/DiscardPlan.h"

namespace {

constexpr Question kDeleteFile{"削除しますか？", "削除確認", false};
constexpr Question kLines{"ベクトルデータがクリアーされます", "確認", true};
constexpr Question kGraffiti{"落書きデータがクリアーされます", "確認", true};
constexpr Question kEdits{"画像の編集がクリアーされます", "確認", true};
constexpr Question kQuit{"終了しますか？", "終了確認", true};

}  // namespace

DiscardPlan PlanDiscard(DiscardReason reason, const DiscardState& s) {
    DiscardPlan plan;
    if (s.Converting) {
        plan.Refused = true;
        return plan;
    }
    auto ask = [&](const Question& q) { plan.Questions[plan.QuestionCount++] = q; };
    if (reason == DiscardReason::Delete) ask(kDeleteFile);
    // Unsaved graffiti is asked about; a layer that is saved (or was read) goes quietly.
    bool graffiti = s.GraffitiObjects && reason != DiscardReason::LoadKeeping;
    if (reason == DiscardReason::Close) {
        if (graffiti && s.GraffitiChanged) ask(kGraffiti);
        if (s.ImageEdited) ask(kQuit);
    } else {
        bool lines = s.VectorLines && reason != DiscardReason::LoadKeeping;
        if (lines) ask(kLines);
        if (graffiti && s.GraffitiChanged) ask(kGraffiti);
        if (s.ImageEdited) ask(kEdits);
        plan.ClearLines = lines;
    }
    plan.ClearGraffiti = graffiti;
    return plan;
}
