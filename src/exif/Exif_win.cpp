#include "exif/Exif_win.h"

#include "image/Image_win.h"

// The marker and Exif walk arrives with the metadata work; the summary stays as reset.
int ParseJpegMarkers(QorBmp&, HWND) { return 0; }
