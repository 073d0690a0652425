#pragma once

// The numeric command identifiers of menus, accelerators, the toolbar and the
// step panels, and the ids of the bars and their controls. The framework's
// standard ones start at 57600, the program's own at 32784; a few panel
// buttons and fields keep their dialog-control numbers.
enum CommandId : int {
    // Standard framework commands.
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,        // "自動的に名前を変えて保存"
    ID_FILE_SAVE_AS = 57604,     // "名前を付けて保存"
    ID_FILE_MRU_FIRST = 57616,
    ID_FILE_MRU_LAST = 57631,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57670,

    // Step panels.
    ID_TO_STEP2 = 1039,          // "ステップ2へ >>"
    ID_RESET_SCALE = 1043,       // "x1"

    // The program's own commands.
    ID_VIEW_GRID = 32784,
    ID_FLIP_HORIZONTAL = 32787,  // "左右反転(&-)": mirror left-right
    ID_FLIP_VERTICAL = 32788,    // "上下反転(&+)": mirror top-bottom
    ID_OPTIONS = 32798,
    ID_ROTATE_BY_LINE = 32803,   // the rotation bar's "回転"
    ID_LINE_CANCEL = 32807,      // the rotation bar's "キャンセル"
    ID_RESTORE_FRAME = 32810,    // "もとの位置に戻す"
    ID_TO_STEP3 = 32819,
    ID_TO_STEP4 = 32820,
    ID_EDIT_PASTE_IMAGE = 32822, // "クリップボードから貼り付け"
    ID_HOMEPAGE = 32839,
    ID_COPY_RESULT = 32845,      // "クリップボードにコピー"
    ID_BATCH = 32846,            // "一括処理"
    ID_AUTO_DESKEW = 32850,      // "自動で傾きを補正"
};

// Bars of the main frame; each bar's id equals its template number.
enum BarId : int {
    IDD_TOP_BAR = 311,
    IDD_STEP3_BAR = 316,
    IDD_STEP1_BAR = 317,
    IDD_STEP2_BAR = 318,
    IDD_STEP4_BAR = 319,
    AFX_IDW_TOOLBAR = 59392,
    AFX_IDW_STATUS_BAR = 59393,
};

// Controls of the bars that are not commands: fields, boxes and labels that the
// view fills and reads.
enum ControlId : int {
    IDC_NONE = -1,               // labels without an id
    IDC_RESULT_HEIGHT_STEP4 = 1044,
    IDC_ANGLE_SCROLL = 32799,
    IDC_ZOOM_BOX = 32802,
    IDC_ANGLE_LABEL = 32804,
    IDC_LINE_EXPLANATION = 32805,
    IDC_ANGLE_BOX = 32806,
    IDC_IMAGE_WIDTH = 32808,
    IDC_IMAGE_HEIGHT = 32811,
    IDC_TRIM_WIDTH = 32812,
    IDC_TRIM_HEIGHT = 32813,
    IDC_SCALE_X = 32816,
    IDC_SCALE_Y = 32817,
    IDC_ZOOM_LABEL = 32823,
    IDC_PERCENT_LABEL = 32827,
    IDC_KEEP_RATIO = 32828,
    IDC_RESULT_WIDTH = 32830,
    IDC_RESULT_HEIGHT = 32831,
    IDC_RESULT_WIDTH_STEP4 = 32834,
    IDC_ZOOM_SPIN = 32844,
};

// The batch dialog (template 322) and its controls.
enum BatchDialogId : int {
    IDD_BATCH_DIALOG = 322,
    IDC_BATCH_CLOSE = 2,            // "閉じる": the cancel command
    IDC_BATCH_INPUT_FOLDER = 1054,
    IDC_BATCH_OUTPUT_FOLDER = 1055,
    IDC_BATCH_LIST = 1056,
    IDC_BATCH_PROGRESS = 1057,
    IDC_BATCH_COUNTERS = 1058,
    IDC_BATCH_STOP = 1059,          // "中止"
    IDC_BATCH_RESUME = 1060,        // "再開"
    IDC_BATCH_STATE = 1061,         // the run-state text
};
