#include "shell/WindowSize.h"

#include <algorithm>

#include "base/TextNumber.h"
#include "view/ViewState.h"  // bar heights

bool ParseViewSide(std::string_view text, int& side) {
    std::optional<int32_t> n = ParseWholeNumber(text);
    if (!n || *n < 1 || *n > kMaxViewSide) return false;
    side = *n;
    return true;
}

Size2 PresetViewSize(int index) {
    static const Size2 kPresets[] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}};
    return kPresets[std::clamp(index, 0, 3)];
}

Size2 OuterSizeForView(Size2 view, Size2 frame, bool statusBar, bool toolBar) {
    return {view.Width + frame.Width, view.Height + BarsHeight(toolBar, statusBar) + frame.Height};
}

Size2 ClampOuterSize(Size2 outer, Size2 largest) {
    return {std::clamp(outer.Width, 1, std::max(1, largest.Width)), std::clamp(outer.Height, 1, std::max(1, largest.Height))};
}

Size2 CorrectOuterSize(Size2 outer, Size2 wantedClient, Size2 gotClient) {
    return {outer.Width + wantedClient.Width - gotClient.Width, outer.Height + wantedClient.Height - gotClient.Height};
}
