// Resource ids of the information window (exif.rc).
#pragma once

#define IDD_EXIF_INFO       1800
#define IDC_EXIF_REPORT     1801
