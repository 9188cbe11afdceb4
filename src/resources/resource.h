// Resource and command ids shared by pixaro.rc, the program and the test driver.
// Command ids are fixed numbers that menus, tool bar, key slots and tests refer to:
// never renumber or reuse one.
#pragma once

// File
#define IDM_OPEN            100
#define IDM_SAVE            101
#define IDM_DELETE          103
#define IDM_IMAGEPATH_OUT   105
#define IDM_GRAFFITI_OUT    106
#define IDM_EXIT            109
#define IDM_EMF_COPY        111
#define IDM_BATCH           115
// Navigation and view
#define IDM_FILELIST        120
#define IDM_PREV            121
#define IDM_FIRST           122
#define IDM_NEXT            123
#define IDM_LAST            124
#define IDM_STATUSBAR       126
#define IDM_TOOLBAR         127
#define IDM_SHOWIMAGE       129
// Image
#define IDM_ROTATE_LEFT     130
#define IDM_ROTATE_RIGHT    131
#define IDM_INFO            132
#define IDM_FINE_ROTATE     133
#define IDM_MONOCHROME      140
// Settings
#define IDM_DISPLAY_SETTINGS 150
#define IDM_PROGRAM_SETTINGS 153
// Vector and graffiti
#define IDM_VECTORIZE       161
#define IDM_GRAFFITI        162
// Sort orders
#define IDM_SORT_NATURAL    171
#define IDM_SORT_CODE       172
#define IDM_SORT_TIME       173
#define IDM_WINDOW_SIZE     187
// Help
#define IDM_ABOUT           190
#define IDM_HELP            191
#define IDM_UPDATE_CHECK    192
#define IDM_EXIF_REMOVE     193
#define IDM_SET_SHOT_TIME   194
#define IDM_MAP             195
#define IDM_HELP_ONLINE     196
// Graffiti tools
#define IDM_G_LINE          200
#define IDM_G_POLYLINE      201
#define IDM_G_ELLIPSE       202
#define IDM_G_TEXT          203
#define IDM_G_LEADER        204
#define IDM_G_DELETE        206
// Send to external programs
#define IDM_SENDTO1         230
#define IDM_SENDTO2         231
#define IDM_SENDTO3         232
#define IDM_SENDTO4         233

#define IDM_FIRST_COMMAND   100
#define IDM_LAST_COMMAND    233

// Controls of the main window
#define IDC_TOOLBAR         400
#define IDC_STATUSBAR       499
#define IDC_LABEL           30005

// Bitmaps
#define IDB_TOOLBAR         50
#define TOOLBAR_IMAGES      25

// Dialogs
#define IDD_DISPLAY_SETTINGS 599
#define IDD_FILELIST        699
#define IDC_FILELIST_LIST   607
#define IDD_VECTORIZE       700
#define IDD_IMAGEPATH       899
#define IDD_LINESTYLE       1199
#define IDD_TEXTSTYLE       1299
#define IDD_GRAFFITI_OUT    1399
#define IDD_BATCH           1400
#define IDD_WINDOW_SIZE     1500
#define IDD_MONOCHROME      1600
#define IDD_PROGRAMS        1700
#define IDD_ABOUT           9999

// Monochrome dialog (IDD_MONOCHROME)
#define IDC_MONO_DULL_LABEL     1601
#define IDC_MONO_COARSE_LABEL   1602
#define IDC_MONO_SENSITIVITY    1603
#define IDC_MONO_DENSITY        1604
#define IDC_MONO_PROGRESS       1605
#define IDC_MONO_SHARP_LABEL    1606
#define IDC_MONO_FINE_LABEL     1607
#define IDC_MONO_SIMPLE         1608

// Vector conversion dialog (IDD_VECTORIZE)
#define IDC_VEC_DPI             701
#define IDC_VEC_SCALE           702
#define IDC_VEC_LEVEL1          703
#define IDC_VEC_LEVEL2          704
#define IDC_VEC_LEVEL3          705
#define IDC_VEC_LEVEL4          706
#define IDC_VEC_LEVEL5          707
#define IDC_VEC_LEVEL6          709
#define IDC_VEC_SOLID           710
#define IDC_VEC_OUTLINE         711
#define IDC_VEC_PROGRESS_COLUMN 720
#define IDC_VEC_PROGRESS_ROW    721
#define IDC_VEC_CONVERT         730
#define IDC_VEC_FILENAME        731
#define IDC_VEC_BROWSE          732
#define IDC_VEC_TOTAL           733
#define IDC_VEC_STATUS          734
#define IDC_VEC_CLEAR_TOTAL     735
#define IDC_VEC_MESSAGE_GROUP   736
#define IDC_VEC_CLEAR           740
#define IDC_VEC_RECOMPRESS      741
#define IDC_VEC_COLOUR          1112
