#ifndef TAVREL_RESOURCE_IDS_H
#define TAVREL_RESOURCE_IDS_H
/* Resource and control ids, shared by the resource script and the code. */

#define IDI_APP 101

#define IDM_POPUP 101
#define IDM_QUIT 101
#define IDM_SETTINGS 102

/* The settings dialog's title, which its drag window bears too. */
#define SETTINGS_TITLE "Tavrel 設定"

#define IDD_SETTINGS 101
#define IDD_POSITION_SIZE 102

#define IDC_FRAME_X 101
#define IDC_VALUE_X 102
#define IDC_FRAME_Y 103
#define IDC_VALUE_Y 104
#define IDC_FRAME_WIDTH 105
#define IDC_VALUE_WIDTH 106
#define IDC_FRAME_HEIGHT 107
#define IDC_VALUE_HEIGHT 108
#define IDC_NUMERIC_INPUT 109
#define IDC_SWATCH_OUTLINE 110
#define IDC_SET_OUTLINE 111
#define IDC_SWATCH_EYE_WHITE 112
#define IDC_SET_EYE_WHITE 113
#define IDC_SWATCH_PUPIL 114
#define IDC_SET_PUPIL 115
#define IDC_APPLY 116

#endif
