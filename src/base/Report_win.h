// Every box that reports a failure to the user: its caption and icon come from one table,
// so a message is changed in one place and the same kind of failure always looks the same.
#pragma once
#include <windows.h>

#include <string>

enum class Box {
    Error,             // "Error", stop sign
    ErrorWarning,      // "Error", exclamation mark
    ErrorPlain,        // "Error", no icon
    ErrorQuestion,     // "Error", question mark
    ErrorInformation,  // "Error", information sign
    ErrorBang,         // "Error!": the JWW exports and the clipboard
    ErrorLower,        // "error"
    LoadError,         // "Load Error": a graffiti file that cannot be read
    SpiError,          // "SPI Error": a plug-in that cannot decode
    SpiLoadError,      // "SPI Load Error": a plug-in that cannot be loaded
    SpiFunctionError,  // "SPI Function Error": no plug-in for the file
    ApiLoadError,      // "API LOAD Error": memory for a picture's file
    StreamError,       // "CreateStreamOnHGlobal( Err"
    BatchError,        // "一括変換"
};

// Shows the box with an OK button and returns when it is closed.
void ReportBox(HWND owner, Box box, const char* text);
inline void ReportBox(HWND owner, Box box, const std::string& text) { ReportBox(owner, box, text.c_str()); }
