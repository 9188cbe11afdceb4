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

// Display settings dialog (IDD_DISPLAY_SETTINGS); both group boxes are 510
#define IDC_DS_SMOOTH           500
#define IDC_DS_FULLPATH         502
#define IDC_DS_FOLDERNAME       503
#define IDC_DS_NAMEONLY         504
#define IDC_DS_SPI_FOLDER       506
#define IDC_DS_SPI_BROWSE       507
#define IDC_DS_SPI_LABEL        508
#define IDC_DS_GROUP            510
#define IDC_DS_XP_TITLE         520
#define IDC_DS_XP_COMMENT       524
#define IDC_DS_EXIF_MAKER       530
#define IDC_DS_EXIF_COPYRIGHT   537
#define IDC_DS_COLOUR           540
#define IDC_DS_WRITE_TEXT       550

// Window size dialog (IDD_WINDOW_SIZE)
#define IDC_WS_QVGA             1501
#define IDC_WS_VGA              1502
#define IDC_WS_SVGA             1503
#define IDC_WS_XGA              1504
#define IDC_WS_FIT              1505
#define IDC_WS_ANY              1506
#define IDC_WS_WIDTH            1508
#define IDC_WS_TIMES            1509
#define IDC_WS_HEIGHT           1510

// External programs and keys dialog (IDD_PROGRAMS): four rows of label, browse, delete and
// key, then the eight viewer functions' keys and labels
#define IDC_PG_HEADING          508
#define IDC_PG_LABEL1           1701
#define IDC_PG_BROWSE1          1705
#define IDC_PG_DELETE1          1710
#define IDC_PG_KEY1             1720
#define IDC_PG_KEY5             1724
#define IDC_PG_FUNCTION1        1740

// About box (IDD_ABOUT)
#define IDC_AB_VERSION          9901
#define IDC_AB_HOME             9902
#define IDC_AB_MAIL             9903

// Batch conversion dialog (IDD_BATCH)
#define IDC_BATCH_FIRST_NONE    1402
#define IDC_BATCH_FIRST_MAKER   1403
#define IDC_BATCH_FIRST_FIXED   1404
#define IDC_BATCH_FIXED_TEXT    1405
#define IDC_BATCH_MIDDLE_NONE   1410
#define IDC_BATCH_MIDDLE_MODEL  1411
#define IDC_BATCH_LAST_OLD      1412
#define IDC_BATCH_LAST_TIME     1421
#define IDC_BATCH_LAST_NUMBER   1422
#define IDC_BATCH_START_LABEL   1423
#define IDC_BATCH_START         1424
#define IDC_BATCH_EXAMPLE       1425
#define IDC_BATCH_TIME_NONE     1431
#define IDC_BATCH_TIME_SHOT     1432
#define IDC_BATCH_RUN           1433
#define IDC_BATCH_RESULT        1434
#define IDC_BATCH_EXIF_KEEP     1441
#define IDC_BATCH_EXIF_REMOVE   1442
#define IDC_BATCH_EXT_KEEP      1451
#define IDC_BATCH_EXT_CHANGE    1453
#define IDC_BATCH_EXTENSION     1454
#define IDC_BATCH_PROGRESS      1499

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
#define IDC_VEC_CENTRE          712
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

// Line style dialog (IDD_LINESTYLE)
#define IDC_LS_WIDTH            1100
#define IDC_LS_SOLID            1102
#define IDC_LS_DASH             1103
#define IDC_LS_DOT              1104
#define IDC_LS_DASHDOT          1105
#define IDC_LS_DASHDOTDOT       1106
#define IDC_LS_COLOUR           1112
#define IDC_LS_START_GROUP      1120
#define IDC_LS_START_NONE       1121
#define IDC_LS_START_CIRCLE     1122
#define IDC_LS_START_ARROW      1123
#define IDC_LS_START_SIZE       1124
#define IDC_LS_START_LABEL      1125
#define IDC_LS_END_GROUP        1130
#define IDC_LS_END_NONE         1131
#define IDC_LS_END_CIRCLE       1132
#define IDC_LS_END_ARROW        1133
#define IDC_LS_END_SIZE         1134
#define IDC_LS_END_LABEL        1135
#define IDC_LS_SAMPLE_SOLID     1150
#define IDC_LS_SAMPLE_LAST      1154

// Text style dialog (IDD_TEXTSTYLE); 1211, 1212, 1220 and 1221 are shared with the line dialog
#define IDC_TS_TEXT             1200
#define IDC_TS_FONT             1201
#define IDC_TS_FRAME_LABEL      1202
#define IDC_TS_FRAME_WIDTH      1203
#define IDC_TS_COLOUR           1204
#define IDC_TS_WEIGHT           1205
#define IDC_TS_FRAME_BY         1206
#define IDC_TS_FRAME_HEIGHT     1207
#define IDC_TS_ITALIC           1208
#define IDC_TS_STRIKEOUT        1209
#define IDC_TS_UNDERLINE        1210
#define IDC_ST_FILL             1211
#define IDC_ST_SHADOW           1212
#define IDC_TS_DIRECTION        1213
#define IDC_TS_ANGLE            1214
#define IDC_TS_HORIZONTAL       1215
#define IDC_TS_VERTICAL         1216
#define IDC_TS_ANGLE_GROUP      1217
#define IDC_TS_DIRECTION_LABEL  1218
#define IDC_TS_ANGLE_LABEL      1219
#define IDC_ST_BACKGROUND       1220
#define IDC_ST_SHADOW_COLOUR    1221
#define IDC_TS_FRAME_NONE       1223
#define IDC_TS_FRAME_RECT       1224
#define IDC_TS_FRAME_ROUND      1225
#define IDC_TS_FRAME_LEADER     1226
#define IDC_TS_FIXED            1228
#define IDC_TS_CELL_W           1229
#define IDC_TS_APPLY            1230
#define IDC_TS_CELL_H           1233

// Image-path export dialog (IDD_IMAGEPATH)
#define IDC_IP_ACTUAL           800
#define IDC_IP_BY_WIDTH         801
#define IDC_IP_LONGER           802
#define IDC_IP_ACROSS           803
#define IDC_IP_DOWN             804
#define IDC_IP_ABSOLUTE         805
#define IDC_IP_SAME_FOLDER      806
#define IDC_IP_DPI_LABEL        808
#define IDC_IP_WIDTH_LABEL      809
#define IDC_IP_DPI              810
#define IDC_IP_WIDTH            811
#define IDC_IP_DPI_UNIT         812
#define IDC_IP_WIDTH_UNIT       813
#define IDC_IP_SIZE_GROUP       814
#define IDC_IP_SCALE_GROUP      815
#define IDC_IP_SCALE_LABEL      816
#define IDC_IP_JWSCALE          817
#define IDC_IP_TEXT             818
#define IDC_IP_COPY             820
#define IDC_IP_PATH_GROUP       821
#define IDC_IP_IMAGE_GROUP      822
#define IDC_IP_ORIGINAL         823
#define IDC_IP_DISPLAYED        824

// Graffiti export dialog (IDD_GRAFFITI_OUT); 701, 702 and 731 as in the conversion dialog
#define IDC_GO_DPI_LABEL        1302
#define IDC_GO_SCALE_CAPTION    1303
#define IDC_GO_TEXT_FILE        1307
#define IDC_GO_CLIPBOARD        1308
#define IDC_GO_SCALE_LABEL      1310
#define IDC_GO_FILE_GROUP       1311
#define IDC_GO_FILE_LABEL       1313
