#pragma once

#include <span>

#include "CommandIds.h"

// Menu, accelerators, toolbar and command prompts of the main frame (resource
// 128). A prompt holds the status-bar text and, after a line feed, the tooltip.

struct MenuItemTemplate {
    int id;                 // 0 = separator
    const char16_t* text;   // "\t" separates the shown shortcut
};

struct PopupTemplate {
    const char16_t* title;
    std::span<const MenuItemTemplate> items;
};

namespace Menus {
inline constexpr MenuItemTemplate kFile[] = {
    {ID_FILE_NEW, u"新規(&N)"},
    {ID_APP_EXIT, u"終了(&X)"},
};
inline constexpr MenuItemTemplate kEdit[] = {
    {ID_EDIT_UNDO, u"元に戻す(&U)\tCtrl+Z"},
    {ID_EDIT_REDO, u"やり直す(&R)\tCtrl+Y"},
    {0, nullptr},
    {ID_FLIP_VERTICAL, u"上下反転(&+)"},
    {ID_FLIP_HORIZONTAL, u"左右反転(&-)"},
};
inline constexpr MenuItemTemplate kView[] = {
    {ID_VIEW_GRID, u"グリッド(&G)"},
};
inline constexpr MenuItemTemplate kTools[] = {
    {ID_OPTIONS, u"オプション(&O)"},
};
inline constexpr MenuItemTemplate kHelp[] = {
    {ID_HELP_FINDER, u"ヘルプ(&H)"},
    {ID_HOMEPAGE, u"ホームページ(&P)"},
    {ID_APP_ABOUT, u"バージョン情報(&A)..."},
};
}  // namespace Menus

inline constexpr PopupTemplate kMainMenu[] = {
    {u"ファイル(&F)", Menus::kFile},
    {u"編集(&E)", Menus::kEdit},
    {u"表示(&V)", Menus::kView},
    {u"ツール(&T)", Menus::kTools},
    {u"ヘルプ(&H)", Menus::kHelp},
};

struct AcceleratorTemplate {
    const char* keys;       // QKeySequence portable text
    int id;
};

inline constexpr AcceleratorTemplate kAccelerators[] = {
    {"Ctrl+Y", ID_EDIT_REDO},
    {"Alt+Backspace", ID_EDIT_UNDO},
    {"Ctrl+Z", ID_EDIT_UNDO},
};

// 0 = separator.
inline constexpr int kToolbarButtons[] = {
    ID_FILE_NEW,       0, ID_EDIT_UNDO,       ID_EDIT_REDO, 0,
    ID_FLIP_VERTICAL,  ID_FLIP_HORIZONTAL, 0, ID_VIEW_GRID,
};

struct PromptTemplate {
    int id;
    const char16_t* prompt;
};

inline constexpr PromptTemplate kCommandPrompts[] = {
    {ID_FILE_NEW, u"新規にファイルを作成\n新規ファイル"},
    {ID_APP_EXIT, u"アプリケーションを終了し、ファイルの保存を指示\n終了"},
    {ID_EDIT_UNDO, u"直前に行った動作を元に戻す\n元に戻す"},
    {ID_EDIT_REDO, u"取り消した操作をやり直す\nやり直す"},
    {ID_FLIP_VERTICAL, u"画像の上下を反転\n上下反転"},
    {ID_FLIP_HORIZONTAL, u"画像の左右を反転\n左右反転"},
    {ID_VIEW_GRID, u"グリッドの表示をON/OFF\nグリッド"},
    {ID_OPTIONS, u"Oblimoの各種設定の確認・変更\nオプション"},
    {ID_HELP_FINDER, u"ヘルプをオフラインで表示\nヘルプ"},
    {ID_HOMEPAGE, u"Oblimoのホームページを開く"},
    {ID_APP_ABOUT, u"プログラム情報、バージョン、著作権を表示\nバージョン情報"},
};

// Commands whose menu item and toolbar button carry a check mark.
inline constexpr int kCheckableCommands[] = {ID_VIEW_GRID, ID_FLIP_HORIZONTAL, ID_FLIP_VERTICAL};
