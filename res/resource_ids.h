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
