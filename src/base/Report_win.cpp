#include "base/Report_win.h"

namespace {

struct BoxRow {
    Box box;
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

}  // namespace

void ReportBox(HWND owner, Box box, const char* text) {
    for (const BoxRow& row : kBoxes)
        if (row.box == box) {
            MessageBoxA(owner, text, row.caption, MB_OK | row.icon);
            return;
        }
    MessageBoxA(owner, text, "Error", MB_OK | MB_ICONHAND);
}
