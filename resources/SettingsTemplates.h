#pragma once

#include <span>

// The three pages of the options sheet: every control with its id, kind, text
// and rectangle in dialog units (x, y, width, height), in tab order. A field
// or a button without a text of its own carries the name of the label before
// it, for screen readers.

enum SettingsControlId : int {
    IDC_COLOR_RED = 1024,
    IDC_COLOR_GREEN = 1025,
    IDC_COLOR_BLUE = 1026,
    IDC_CHOOSE_COLOR = 1027,      // "色の選択"
    IDC_OPACITY = 1028,
    IDC_COLOR_SWATCH = 1029,
    IDC_DELETE_ON_EXIT = 1030,    // "終了時設定を削除"
    IDC_GRID_ON_STARTUP = 1031,   // "起動時グリッドON"
    IDC_SAVE_BESIDE_FILE = 1048,  // mode 0
    IDC_SAVE_IN_SUBFOLDER = 1049, // mode 1
    IDC_SUBFOLDER_NAME = 1050,
    IDC_SAVE_IN_FOLDER = 1051,    // mode 2
    IDC_FOLDER_PATH = 1052,
    IDC_BROWSE_FOLDER = 1053,     // "..."
};

enum class PageControlKind { Label, Swatch, Edit, PushButton, CheckBox, RadioButton };

struct PageControlTemplate {
    int id;  // -1 for labels without an id
    PageControlKind kind;
    const char16_t* text;  // "\n" is a line break
    int x, y, width, height;
    const char16_t* accessibleName = nullptr;
};

struct PageTemplate {
    int id;
    const char16_t* tabText;
    int width, height;
    std::span<const PageControlTemplate> controls;
};

namespace SettingsTemplates {
using P = PageControlKind;

inline constexpr PageControlTemplate kMarginControls[] = {
    {-1, P::Label, u"画像より大きくトリムしたときの余白の色を指定できます。", 16, 12, 280, 12},
    {-1, P::Label, u"R", 40, 32, 15, 14},
    {IDC_COLOR_RED, P::Edit, u"", 56, 32, 28, 14, u"R"},
    {-1, P::Label, u"G", 96, 32, 15, 14},
    {IDC_COLOR_GREEN, P::Edit, u"", 112, 32, 28, 14, u"G"},
    {-1, P::Label, u"B", 152, 32, 15, 14},
    {IDC_COLOR_BLUE, P::Edit, u"", 168, 32, 28, 14, u"B"},
    {IDC_COLOR_SWATCH, P::Swatch, u"", 220, 32, 15, 14},
    {IDC_CHOOSE_COLOR, P::PushButton, u"色の選択", 248, 32, 50, 14},
    {-1, P::Label, u"不透明度", 16, 60, 36, 14},
    {IDC_OPACITY, P::Edit, u"", 56, 60, 28, 14, u"不透明度"},
    {-1, P::Label, u"(0～255、0=透明)", 88, 60, 96, 14},
    {-1, P::Label,
     u"不透明度の設定はpngで保存したときのみ反映されます。\npng以外で保存した場合は不透明になります。",
     16, 88, 280, 28},
    {-1, P::Label,
     u"透明部分がある画像を扱う場合は、\n不透明度を0にして編集したあとpngで保存してください。", 16,
     128, 280, 28},
};

inline constexpr PageControlTemplate kMiscControls[] = {
    {IDC_GRID_ON_STARTUP, P::CheckBox, u"起動時グリッドON", 16, 16, 208, 10},
    {-1, P::Label, u"ウィンドウ背景色", 16, 40, 280, 12},
    {-1, P::Label, u"R", 40, 60, 15, 14},
    {IDC_COLOR_RED, P::Edit, u"", 56, 60, 28, 14, u"R"},
    {-1, P::Label, u"G", 96, 60, 15, 14},
    {IDC_COLOR_GREEN, P::Edit, u"", 112, 60, 28, 14, u"G"},
    {-1, P::Label, u"B", 152, 60, 15, 14},
    {IDC_COLOR_BLUE, P::Edit, u"", 168, 60, 28, 14, u"B"},
    {IDC_COLOR_SWATCH, P::Swatch, u"", 220, 60, 15, 14},
    {IDC_CHOOSE_COLOR, P::PushButton, u"色の選択", 248, 60, 50, 14},
    {IDC_DELETE_ON_EXIT, P::CheckBox, u"終了時設定を削除", 16, 104, 208, 10},
};

// The sub-folder field follows its radio button in tab order, the folder
// field and its button follow theirs.
inline constexpr PageControlTemplate kSaveControls[] = {
    {-1, P::Label,
     u"「自動的に名前を変えて保存」と「一括処理」でファイルを保存するフォルダを指定します。", 16,
     12, 288, 8},
    {IDC_SAVE_BESIDE_FILE, P::RadioButton, u"読み込んだファイルと同じフォルダに保存", 20, 28, 240,
     10},
    {IDC_SAVE_IN_SUBFOLDER, P::RadioButton,
     u"読み込んだファイルのフォルダの下にフォルダを作ってそこに保存", 20, 44, 264, 10},
    {-1, P::Label, u"サブフォルダ（1レベルのみ）", 36, 60, 96, 8},
    {IDC_SUBFOLDER_NAME, P::Edit, u"", 140, 56, 140, 14, u"サブフォルダ（1レベルのみ）"},
    {IDC_SAVE_IN_FOLDER, P::RadioButton, u"読み込んだファイルの場所と無関係に指定したフォルダに保存",
     20, 76, 260, 10},
    {IDC_FOLDER_PATH, P::Edit, u"", 36, 88, 236, 14,
     u"読み込んだファイルの場所と無関係に指定したフォルダに保存"},
    {IDC_BROWSE_FOLDER, P::PushButton, u"...", 272, 88, 20, 14, u"フォルダの選択"},
};
}  // namespace SettingsTemplates

inline constexpr PageTemplate kMarginPageTemplate{314, u"余白", 316, 183,
                                                  SettingsTemplates::kMarginControls};
inline constexpr PageTemplate kMiscPageTemplate{315, u"その他", 316, 183,
                                                SettingsTemplates::kMiscControls};
inline constexpr PageTemplate kSavePageTemplate{320, u"保存", 315, 183,
                                                SettingsTemplates::kSaveControls};
