// What is open. The shell owns the one document and is the only writer of its file; glue
// reads it.
#pragma once
#include "document/CurrentFile.h"

struct Document {
    // The file the user opened: a picture, or the graffiti file it was opened from.
    CurrentFile File;
};

extern Document g_Document;
