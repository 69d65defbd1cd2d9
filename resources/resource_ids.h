/* Resource and command ids of the viewer, shared by vokagraphic.rc and the
   window program.  Plain #defines only: the resource compiler reads this
   file too. */
#ifndef VOKA_RESOURCE_IDS_H
#define VOKA_RESOURCE_IDS_H

/* String table: the application title, also the window class name. */
#define IDS_APP_TITLE 1

/* Control strip buttons and check box. */
#define IDC_GUIDE_POSITION 10
#define IDC_TITLE_POSITION 20
#define IDC_EXPAND 30
#define IDC_NORMAL 40
#define IDC_X_PLUS 50   /* "<<" of the x angle: raises the angle */
#define IDC_X_MINUS 60  /* ">>" of the x angle: lowers the angle */
#define IDC_Y_PLUS 70
#define IDC_Y_MINUS 80
#define IDC_Z_PLUS 90
#define IDC_Z_MINUS 100
#define IDC_CALC 101
#define IDC_REDRAW 102

/* Menu "TarselMenu". */
#define IDM_DATA_FILE_OPEN 200
#define IDM_PRINT 201
#define IDM_PRINTER_SETUP 202
#define IDM_BITMAP_FILE_SAVE 203
#define IDM_END 204
#define IDM_ENVIRONMENT 205
#define IDM_BATCH 206
#define IDM_GEOMETRY_FILE_OPEN 207
#define IDM_GEOMETRY_HIDE 208
#define IDM_TITLE 209
#define IDM_SELECTION 210
#define IDM_HELP 211

#endif
