#pragma once

#include <span>

#include "CommandIds.h"

// The templates of the top bar and the four step bars: every control with its
// id, kind, text and rectangle in dialog units (x, y, width, height). The bars
// build their widgets and layouts from these tables.

enum class ControlKind { Label, PushButton, Edit, ComboBox, UpDown, ScrollBar, CheckBox };

enum ControlStyle : unsigned {
    kStyleNone = 0,
    kReadOnly = 1u << 0,
    kHidden = 1u << 1,
    kDisabled = 1u << 2,
    kCentered = 1u << 3,
    kMultiLine = 1u << 4,   // a push button whose text wraps onto several lines
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t* text;   // shown text; "\n" is a line break
    int x, y, width, height;
    unsigned style = kStyleNone;
    // The name screen readers announce when the control shows no text of its
    // own: the label it stands under, with "幅" or "高さ" for a pair of fields.
    const char16_t* accessibleName = nullptr;
};

struct DialogTemplate {
    int id;
    int width, height;
    std::span<const ControlTemplate> controls;
};

namespace Templates {
using K = ControlKind;

inline constexpr ControlTemplate kTopBarControls[] = {
    {IDC_ZOOM_LABEL, K::Label, u"表示", 4, 4, 17, 8},
    {IDC_ZOOM_BOX, K::ComboBox, u"", 27, 2, 48, 30, kStyleNone, u"表示"},
    {IDC_ZOOM_SPIN, K::UpDown, u"", 77, 2, 11, 13, kStyleNone, u"表示"},
    {IDC_PERCENT_LABEL, K::Label, u"%", 93, 4, 8, 8},
    {IDC_ANGLE_LABEL, K::Label, u"回転", 112, 4, 17, 8},
    {IDC_ANGLE_BOX, K::ComboBox, u"", 136, 2, 48, 30, kStyleNone, u"回転"},
    {IDC_ANGLE_SCROLL, K::ScrollBar, u"", 192, 2, 51, 11, kStyleNone, u"回転"},
    {ID_ROTATE_BY_LINE, K::PushButton, u"回転", 268, 2, 47, 14},
    {ID_LINE_CANCEL, K::PushButton, u"キャンセル", 319, 2, 47, 14},
    {IDC_LINE_EXPLANATION, K::Label, u"回転", 375, 4, 17, 8},
};

inline constexpr ControlTemplate kStep1Controls[] = {
    {IDC_NONE, K::Label, u"ステップ1/4　画像取り込み", 8, 8, 92, 8},
    {IDC_NONE, K::Label, u"下のボタンを押して画像を取り込みます。", 8, 28, 88, 20},
    {ID_FILE_OPEN, K::PushButton, u"ファイルから読み込む", 8, 56, 88, 14},
    {ID_EDIT_PASTE_IMAGE, K::PushButton, u"クリップボードから貼り付け", 8, 76, 88, 14},
    {IDC_NONE, K::Label, u"または、ドラッグ&ドロップで\n右にドロップしてください。", 8, 96, 88, 20},
    {IDC_NONE, K::Label, u"右に画像が表示されたら\n下のボタンを押してください。", 8, 128, 88, 28},
    {ID_TO_STEP2, K::PushButton, u"ステップ2へ >>", 8, 168, 88, 14},
};

inline constexpr ControlTemplate kStep2Controls[] = {
    {IDC_NONE, K::Label, u"ステップ2/4　回転", 8, 8, 84, 8},
    {IDC_NONE, K::Label, u"上部の回転欄で角度を指定", 8, 24, 88, 20},
    {IDC_NONE, K::Label, u"上部の横スクロールバーで回転", 8, 48, 88, 20},
    {IDC_NONE, K::Label,
     u"画像内でドラッグして縦または横にしたい位置に線を引いてから上部の回転をクリック", 8, 72, 88, 36},
    {ID_AUTO_DESKEW, K::PushButton, u"自動で傾きを補正", 8, 112, 88, 14},
    {IDC_NONE, K::Label, u"文字や罫線から傾きを検出して回転します。", 8, 130, 88, 20},
    {IDC_NONE, K::Label, u"いずれかの方法で回転できます。終わったら下のボタンを押してください。", 8,
     156, 88, 28},
    {ID_TO_STEP3, K::PushButton, u"ステップ3へ >>", 8, 192, 88, 14},
    {IDC_NONE, K::Label, u"ツールバーの「元に戻す」ボタンで戻れます。", 8, 212, 92, 20},
};

inline constexpr ControlTemplate kStep3Controls[] = {
    {IDC_NONE, K::Label, u"ステップ3/4　トリム", 8, 8, 84, 8},
    {IDC_NONE, K::Label, u"画像の隅を切り捨てて四角くします。", 8, 28, 88, 20},
    {IDC_NONE, K::Label, u"点線の枠の外は捨てられます。必要なら枠をドラッグして動かしてください。",
     8, 52, 88, 28},
    {ID_RESTORE_FRAME, K::PushButton, u"もとの位置に戻す", 8, 84, 88, 14},
    {IDC_NONE, K::Label, u"拡大したい場合は\n以下で指定してくだい。", 8, 108, 88, 20},
    {IDC_NONE, K::Label, u"元の画像 (ピクセル)", 8, 132, 84, 8},
    {IDC_IMAGE_WIDTH, K::Edit, u"", 8, 140, 32, 14, kReadOnly, u"元の画像 (ピクセル)幅"},
    {IDC_NONE, K::Label, u"×", 40, 145, 12, 8, kCentered},
    {IDC_IMAGE_HEIGHT, K::Edit, u"", 52, 140, 32, 14, kReadOnly, u"元の画像 (ピクセル)高さ"},
    {IDC_NONE, K::Label, u"トリム後 (ピクセル)", 8, 156, 84, 8},
    {IDC_TRIM_WIDTH, K::Edit, u"", 8, 164, 32, 14, kReadOnly, u"トリム後 (ピクセル)幅"},
    {IDC_NONE, K::Label, u"×", 40, 169, 12, 8, kCentered},
    {IDC_TRIM_HEIGHT, K::Edit, u"", 52, 164, 32, 14, kReadOnly, u"トリム後 (ピクセル)高さ"},
    {IDC_NONE, K::Label, u"拡大縮小率(%)", 8, 300, 84, 8, kHidden | kDisabled},
    {IDC_SCALE_X, K::Edit, u"", 8, 308, 32, 14, kHidden | kDisabled, u"拡大縮小率(%)幅"},
    {IDC_NONE, K::Label, u"×", 40, 313, 16, 8, kHidden | kDisabled},
    {IDC_SCALE_Y, K::Edit, u"", 56, 308, 32, 14, kHidden | kDisabled, u"拡大縮小率(%)高さ"},
    {IDC_NONE, K::Label, u"拡大後 (ピクセル)", 8, 180, 84, 8},
    {IDC_RESULT_WIDTH, K::Edit, u"", 8, 188, 32, 14, kStyleNone, u"拡大後 (ピクセル)幅"},
    {IDC_NONE, K::Label, u"×", 40, 193, 12, 8, kCentered},
    {IDC_RESULT_HEIGHT, K::Edit, u"", 52, 188, 32, 14, kStyleNone, u"拡大後 (ピクセル)高さ"},
    {ID_RESET_SCALE, K::PushButton, u"x1", 84, 188, 16, 14},
    {IDC_KEEP_RATIO, K::CheckBox, u"縦横比を維持する", 8, 209, 80, 10},
    {IDC_NONE, K::Label, u"指定ができたら下のボタンを押してください。", 8, 232, 88, 20},
    {ID_TO_STEP4, K::PushButton, u"ステップ4へ >>", 8, 256, 88, 14},
    {IDC_NONE, K::Label, u"ツールバーの「元に戻す」ボタンで戻れます。", 8, 275, 88, 20},
};

inline constexpr ControlTemplate kStep4Controls[] = {
    {IDC_NONE, K::Label, u"ステップ4/4　プレビュー", 8, 8, 84, 8},
    {IDC_NONE, K::Label, u"右の画像でよろしければ下のボタンを押してセーブしてください。", 8, 20, 88,
     28},
    {IDC_RESULT_WIDTH_STEP4, K::Edit, u"", 8, 48, 32, 14, kReadOnly, u"プレビュー幅"},
    {IDC_NONE, K::Label, u"×", 40, 53, 12, 8, kCentered},
    {IDC_RESULT_HEIGHT_STEP4, K::Edit, u"", 52, 48, 32, 14, kReadOnly, u"プレビュー高さ"},
    {ID_FILE_SAVE, K::PushButton, u"自動的に名前を変えて保存", 4, 68, 40, 40, kMultiLine},
    {IDC_NONE, K::Label, u"元ファイル名に\n「-Oblimo」を付けた名前で保存します。", 48, 68, 52, 44},
    {ID_FILE_SAVE_AS, K::PushButton, u"名前を付けて保存", 4, 112, 40, 36, kMultiLine},
    {IDC_NONE, K::Label, u"ファイル名と保存場所を指定して保存します。", 48, 112, 52, 40},
    {ID_COPY_RESULT, K::PushButton, u"クリップボードにコピー", 4, 152, 40, 36, kMultiLine},
    {IDC_NONE, K::Label, u"画像をクリップボードにコピーします。", 48, 152, 52, 36},
    {IDC_NONE, K::Label,
     u"同じ回転・トリムをしたい同サイズの画像が他にもある場合は一括処理できます。処理後の画像は自動"
     u"的に名前を変えて保存されます。",
     4, 192, 92, 44},
    {ID_BATCH, K::PushButton, u"一括処理", 8, 236, 88, 14},
    {IDC_NONE, K::Label, u"ツールバーの「元に戻す」ボタンで戻れます。", 8, 260, 88, 20},
    {ID_FILE_NEW, K::PushButton, u"別の画像を編集", 8, 284, 88, 14},
};
}  // namespace Templates

inline constexpr DialogTemplate kTopBarTemplate{IDD_TOP_BAR, 424, 16, Templates::kTopBarControls};
inline constexpr DialogTemplate kStep1Template{IDD_STEP1_BAR, 104, 212, Templates::kStep1Controls};
inline constexpr DialogTemplate kStep2Template{IDD_STEP2_BAR, 104, 236, Templates::kStep2Controls};
inline constexpr DialogTemplate kStep3Template{IDD_STEP3_BAR, 104, 332, Templates::kStep3Controls};
inline constexpr DialogTemplate kStep4Template{IDD_STEP4_BAR, 104, 304, Templates::kStep4Controls};
