#include "exif/ExifSummary.h"

void ResetExifSummary(ExifSummary& s) { s = ExifSummary{}; }
