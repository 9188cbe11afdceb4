#include "base/Report_win.h"

namespace {

struct BoxRow {
    Box box;  // the row's own enumerator, so the order is checked below
    const char* caption;
    UINT icon;
};

constexpr BoxRow kBoxes[] = {
    {Box::Error, "Error", MB_ICONHAND},
    {Box::ErrorWarning, "Error", MB_ICONEXCLAMATION},
    {Box::ErrorPlain, "Error", 0},
    {Box::ErrorQuestion, "Error", MB_ICONQUESTION},
    {Box::ErrorInformation, "Error", MB_ICONINFORMATION},
    {Box::ErrorBang, "Error!", MB_ICONEXCLAMATION},
    {Box::ErrorLower, "error", 0},
    {Box::LoadError, "Load Error", MB_ICONEXCLAMATION},
    {Box::SpiError, "SPI Error", 0},
    {Box::SpiLoadError, "SPI Load Error", 0},
    {Box::SpiFunctionError, "SPI Function Error", 0},
    {Box::ApiLoadError, "API LOAD Error", 0},
    {Box::StreamError, "CreateStreamOnHGlobal( Err", 0},
    {Box::BatchError, "一括変換", MB_ICONEXCLAMATION},
};

constexpr bool InEnumOrder() {
    for (size_t i = 0; i < sizeof kBoxes / sizeof kBoxes[0]; ++i)
        if (size_t(kBoxes[i].box) != i) return false;
    return true;
}
static_assert(InEnumOrder() && size_t(Box::BatchError) + 1 == sizeof kBoxes / sizeof kBoxes[0],
              "one row per Box, in its order");

}  // namespace

void ReportBox(HWND owner, Box box, const char* text) {
    const BoxRow& row = kBoxes[size_t(box)];
    MessageBoxA(owner, text, row.caption, MB_OK | row.icon);
}
