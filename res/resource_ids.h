// Numbers of the resources and commands, shared by Kelvarion.rc and the code.
#pragma once

// Icons, in the order their index in the executable matters: ExtractIcon
// counts icon groups in ascending id order, so 128 is index 0, 129 index 1 ...
#define IDI_KELVARION 128     // 0: the program
#define IDI_FORMAT_SET 129    // 1: default icon of a clipboard-format set
#define IDI_TEXT 130          // 2: text rows
#define IDI_FILES 131         // 3: copied files
#define IDI_BMP 132           // 4: BMP rows
#define IDI_ARCHIVE 133       // 5: the archive
#define IDI_WATCHING 168      // 6: tray, watching the clipboard
#define IDI_PAUSED 169        // 7: tray, paused
#define IDI_GIF 170           // 8: GIF rows
#define IDI_JPEG 171          // 9: JPEG rows

#define IDR_MAINFRAME 128     // main menu and the document string
#define IDB_TOOLBAR 160       // toolbar strip, 16 x 15 per button

#define IDD_FORMAT_ICON 106
#define IDD_MEMO 107

// Screen captures: the region selection over a frozen picture of the screen
// and the cursors of the selection and of the window pick (its hand while
// picking, the arrow it ends with).
#define IDD_REGION_SELECT 110
#define IDCUR_CROSSHAIR 142
#define IDCUR_PICK 143
#define IDCUR_PICK_END 152

// Screen lock: the lock window and its password dialog.
#define IDD_LOCK_SCREEN 111
#define IDD_LOCK_PASSWORD 113
#define IDC_LOCK_PASSWORD 1000
#define IDC_LOCK_NEW_PASSWORD 1011
#define IDC_LOCK_NEW_PASSWORD_AGAIN 1016
#define IDC_LOCK_CHANGE_PASSWORD 1033

// Controls of the icon and memo dialogs.
#define IDC_FORMAT_TEXT 1000
#define IDC_MEMO_EDIT 1000
#define IDC_ICON_FILE 1036
#define IDC_ICON_LIST 1037
#define IDC_BROWSE 1038
#define IDC_ICON_FILES 1041

// About box.
#define IDD_ABOUT 100
#define IDC_ABOUT_NEWS 1000
#define IDC_ABOUT_MAKER 1042
#define IDC_ABOUT_ICON 1044

// Clipboard-file viewer.
#define IDD_CLIP_FILE_VIEW 114
#define IDC_VIEW_MEMO 1000
#define IDC_VIEW_COPY 1001
#define IDC_VIEW_ABOUT 1002
#define IDC_VIEW_OPEN 1030
#define IDC_VIEW_FORMATS 1057
#define IDC_VIEW_ICON 1058

// Commands.
#define ID_EDIT_COPY_ROW 32771
#define ID_EDIT_DELETE_ROW 32772
#define ID_EDIT_OPEN_ROW 32773
#define ID_SETTINGS 32774
#define ID_PICK_WINDOW 32786
#define ID_CAPTURE_SCREEN 32788
#define ID_CAPTURE_REGION 32789
#define ID_PASTE_ALL_FORMATS 32790
#define ID_TOGGLE_TOOLBAR 32791
#define ID_PASTE_FILE_NAMES 32793
#define ID_TOGGLE_LISTEN 32794
#define ID_TOGGLE_AUTO_PASTE 32800
#define ID_OPACITY_UP 32801
#define ID_OPACITY_DOWN 32802
#define ID_TOGGLE_LISTEN_FILE_NAMES 32803
#define ID_SAVE_AS_BMP 32807
#define ID_SAVE_AS_GIF 32808
#define ID_SAVE_AS_JPG 32809
#define ID_APP_ABOUT 57664
#define ID_TOOLBAR_BAR 0xE800

// The settings dialog.
#define IDD_SETTINGS 103
#define IDC_SET_TEXT_EDITOR 1000
#define IDC_SET_TEXT_EDITOR_BROWSE 1001
#define IDC_SET_ABOUT 1002
#define IDC_SET_TEMP_DIR_BROWSE 1003
#define IDC_SET_ALT 1004
#define IDC_SET_CTRL 1005
#define IDC_SET_SHIFT 1006
#define IDC_SET_WIN 1007
#define IDC_SET_IMAGE_EDITOR 1008
#define IDC_SET_HOT_KEY 1009
#define IDC_SET_IMAGE_EDITOR_BROWSE 1010
#define IDC_SET_AUTO_LOAD_DAYS 1011
#define IDC_SET_BACKUP 1012
#define IDC_SET_START_WITH_WINDOWS 1013
#define IDC_SET_MY_COMPUTER_MENU 1014
#define IDC_SET_EDIT_LIST_MENU 1015
#define IDC_SET_RUN_LIST_MENU 1017
#define IDC_SET_OPEN_DIR_LIST_MENU 1019
#define IDC_SET_PASTE_MENU_COUNT 1023
#define IDC_SET_MDB_FILE 1024
#define IDC_SET_TEMP_DIR 1025
#define IDC_SET_AUTO_HIDE 1028
#define IDC_SET_NOTEPAD 1030
#define IDC_SET_TEMP_DIR_DEFAULT 1031
#define IDC_SET_NEW_MDB 1032
#define IDC_SET_ALWAYS_ON_TOP 1033
#define IDC_SET_MSPAINT 1034
#define IDC_SET_BACKUP_MOVE 1060
// The window display list and the desktop switch.
#define IDD_WINDOW_LIST 115
#define IDC_WINDOW_LIST 1057
#define ID_SWITCH_DESKTOP 32811
#define ID_WINDOW_DISPLAY 32812
// The history search window ("/F").
#define IDR_FIND_FRAME 129     // its menu and accelerator table
#define IDD_FIND_BAR 117       // the dialog bar
#define IDB_FIND_SEARCH 140    // tree image 0: a search
#define IDB_FIND_RESULT 141    // tree image 1: a found item
#define IDC_FIND_BUTTON 1001
#define IDC_FIND_COMBO 1009
#define ID_EDIT_CLEAR 57632
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_FIND 57636
#define ID_EDIT_PASTE 57637
#define ID_EDIT_REPEAT 57640
#define ID_EDIT_REPLACE 57641
#define ID_EDIT_SELECT_ALL 57642
#define ID_EDIT_UNDO 57643
#define ID_APP_EXIT 57665
