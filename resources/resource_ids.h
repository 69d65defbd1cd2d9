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
#define IDC_X_PLUS 50  /* "<<" of the x angle: raises the angle */
#define IDC_X_MINUS 60 /* ">>" of the x angle: lowers the angle */
#define IDC_Y_PLUS 70
#define IDC_Y_MINUS 80
#define IDC_Z_PLUS 90
#define IDC_Z_MINUS 100
#define IDC_CALC 101
#define IDC_REDRAW 102
/* A hidden child of the main window holding the read-out of a line. */
#define IDC_READOUT 103

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
#define IDM_COLOUR_BY_ENERGY 212 /* checked: colour by energy */
#define IDM_ENERGY_LIMITS 213
#define IDM_SAVE_ANIMATION 214 /* File > Save Animation... */

/* A dialog control without an id. */
#define IDC_NONE -1
#define IDC_ANIMATION_PROGRESS 330 /* the progress text of Save Animation */

/* Environment dialog (ENVIRONMENT). */
#define IDC_ENV_PARTICLE_GROUP 116
#define IDC_ENV_SCALE_GROUP 115
#define IDC_ENV_COLOR_ELECTRON 308
#define IDC_ENV_COLOR_POSITRON 306
#define IDC_ENV_COLOR_PHOTON 307
#define IDC_ENV_LINE_ELECTRON 310
#define IDC_ENV_LINE_POSITRON 311
#define IDC_ENV_LINE_PHOTON 312
#define IDC_ENV_SCALE_UNIT 302
#define IDC_ENV_ANGLE_BAR 107
#define IDC_ENV_ANGLE_EDIT 703
#define IDC_ENV_PHOTON_CUTOFF 303
#define IDC_ENV_CHARGED_CUTOFF 304
#define IDC_ENV_WORK_DIR 305
#define IDC_ENV_SCALE_AUTO 313
#define IDC_ENV_BACKGROUND 779
#define IDC_ENV_GEOMETRY 778
#define IDC_ENV_CHARACTER 777
/* The samples the dialog draws (owner-drawn statics): the line of each
   particle, then the background, geometry and character swatches. */
#define IDC_ENV_SAMPLE_FIRST 320
#define IDC_ENV_SWATCH_FIRST 323

/* Line select (LINE): the eight samples, upper row 500..503, lower row
   504..507. */
#define IDC_LINE_FIRST 500
#define IDC_LINE_LAST 507
/* The sample box, which shows the tentative choice. */
#define IDC_LINE_CHOICE 508

/* 16-colour picker (COLOR): upper row 600..607, lower row 608..615. */
#define IDC_COLOR_FIRST 600
#define IDC_COLOR_LAST 615

/* Particle picture (PARTICLE): each box's id, and id + 1 remembered for a
   clear box. */
#define IDC_PARTICLE_ELECTRON 800
#define IDC_PARTICLE_POSITRON 802
#define IDC_PARTICLE_PHOTON 804

/* Title set (TITLESET). */
#define IDC_TITLE_EDIT 309

/* Energy limits (ENERGYLIMITS). */
#define IDC_ENERGY_LOW 330
#define IDC_ENERGY_HIGH 331

/* Batch change (HISTORY). */
#define IDC_BATCH_FROM 300
#define IDC_BATCH_TO 301
/* The number of batches, drawn by the dialog. */
#define IDC_BATCH_COUNT 314

#endif
