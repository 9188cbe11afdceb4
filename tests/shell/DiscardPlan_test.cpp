#include "shell/DiscardPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DiscardPlan, QuestionsFollowTheState) {
    const char* lines = "ベクトルデータがクリアーされます";
    const char* graffiti = "落書きデータがクリアーされます";
    const char* edits = "画像の編集がクリアーされます";
    const char* quit = "終了しますか？";
    const char* remove = "削除しますか？";
    struct Row {
        const char* name;
        DiscardReason reason;
        DiscardState state;
        std::vector<std::string> questions;
        bool clearLines, clearGraffiti;
    };
    DiscardState all{false, true, true, true, true};
    DiscardState savedGraffiti{false, false, true, false, false};
    const Row rows[] = {
        {"nothing to lose", DiscardReason::Load, {}, {}, false, false},
        {"everything, on load", DiscardReason::Load, all, {lines, graffiti, edits}, true, true},
        {"saved graffiti goes quietly", DiscardReason::Load, savedGraffiti, {}, false, true},
        {"keeping keys keep lines and graffiti", DiscardReason::LoadKeeping, all, {edits}, false, false},
        {"close asks about graffiti and edits only", DiscardReason::Close, all, {graffiti, quit}, false, true},
        {"close with saved graffiti", DiscardReason::Close, savedGraffiti, {}, false, true},
        {"delete asks first", DiscardReason::Delete, all, {remove, lines, graffiti, edits}, true, true},
        {"delete of a plain picture", DiscardReason::Delete, {}, {remove}, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DiscardPlan plan = PlanDiscard(r.reason, r.state);
        EXPECT_FALSE(plan.Refused);
        std::vector<std::string> asked;
        for (int i = 0; i < plan.QuestionCount; ++i) asked.push_back(plan.Questions[i].Text);
        EXPECT_EQ(asked, r.questions);
        EXPECT_EQ(plan.ClearLines, r.clearLines);
        EXPECT_EQ(plan.ClearGraffiti, r.clearGraffiti);
    }
    EXPECT_STREQ(PlanDiscard(DiscardReason::Close, all).Questions[1].Caption, "終了確認");
    EXPECT_STREQ(PlanDiscard(DiscardReason::Delete, all).Questions[0].Caption, "削除確認");
    EXPECT_FALSE(PlanDiscard(DiscardReason::Delete, all).Questions[0].Icon);
}

TEST(DiscardPlan, ARunningConversionRefusesEverything) {
    DiscardState s{true, true, true, true, true};
    for (DiscardReason r : {DiscardReason::Load, DiscardReason::LoadKeeping, DiscardReason::Close, DiscardReason::Delete}) {
        DiscardPlan plan = PlanDiscard(r, s);
        EXPECT_TRUE(plan.Refused);
        EXPECT_EQ(plan.QuestionCount, 0) << "nothing is asked, nothing cleared";
        EXPECT_FALSE(plan.ClearLines || plan.ClearGraffiti);
    }
}
