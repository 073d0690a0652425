#pragma once

// The numeric command identifiers of menus, accelerators, the toolbar and the
// step panels. The framework's standard ones start at 57600, the program's own
// at 32784; a few panel buttons keep their dialog-control numbers.
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
    ID_OPTIONS = 32798,
    ID_LINE_CANCEL = 32807,      // the rotation bar's "キャンセル"
    ID_RESTORE_FRAME = 32810,    // "もとの位置に戻す"
    ID_TO_STEP3 = 32819,
    ID_TO_STEP4 = 32820,
    ID_EDIT_PASTE_IMAGE = 32822, // "クリップボードから貼り付け"
    ID_HOMEPAGE = 32839,
    ID_COPY_RESULT = 32845,      // "クリップボードにコピー"
    ID_BATCH = 32846,            // "一括処理"
};
