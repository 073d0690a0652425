#pragma once

#include <span>

#include "resources/CommandIds.h"

// Dialog template 322, "Oblimo　一括処理": 301 x 120 dialog units, every control
// with its rectangle in dialog units (x, y, width, height), and the rule by
// which each control follows a change of the dialog's size.
namespace BatchTemplate {

inline constexpr int kWidth = 301;
inline constexpr int kHeight = 120;

enum class Kind { Label, Edit, List, Progress, Button };

struct Control {
    int id;  // IDC_NONE for the two labels
    Kind kind;
    const char16_t* text;
    int x, y, width, height;
};

inline constexpr Control kControls[] = {
    {IDC_NONE, Kind::Label, u"入力", 12, 4, 17, 8},
    {IDC_BATCH_INPUT_FOLDER, Kind::Edit, u"", 44, 4, 252, 10},
    {IDC_NONE, Kind::Label, u"出力", 12, 16, 17, 8},
    {IDC_BATCH_OUTPUT_FOLDER, Kind::Edit, u"", 44, 16, 252, 10},
    {IDC_BATCH_LIST, Kind::List, u"", 8, 32, 288, 56},
    {IDC_BATCH_PROGRESS, Kind::Progress, u"", 8, 92, 288, 6},
    {IDC_BATCH_COUNTERS, Kind::Label, u"成功: 0  失敗: 0  残り: 0", 8, 104, 124, 8},
    {IDC_BATCH_STOP, Kind::Button, u"中止", 136, 100, 28, 14},
    {IDC_BATCH_RESUME, Kind::Button, u"再開", 164, 100, 28, 14},
    {IDC_BATCH_STATE, Kind::Label, u"スタティック", 196, 104, 56, 8},
    {IDC_BATCH_CLOSE, Kind::Button, u"閉じる", 256, 100, 40, 14},
};

// How an edge follows the dialog's size: Fixed stays; Move shifts both sides
// with the right or bottom edge; Stretch shifts only the right or bottom side.
enum class Rule { Fixed = 0, Move = 1, Stretch = 2 };

struct Resize {
    int id;
    Rule horizontal, vertical;
};

inline constexpr Resize kResizeTable[] = {
    {IDC_BATCH_INPUT_FOLDER, Rule::Stretch, Rule::Fixed},
    {IDC_BATCH_OUTPUT_FOLDER, Rule::Stretch, Rule::Fixed},
    {IDC_BATCH_LIST, Rule::Stretch, Rule::Stretch},
    {IDC_BATCH_PROGRESS, Rule::Stretch, Rule::Move},
    {IDC_BATCH_COUNTERS, Rule::Fixed, Rule::Move},
    {IDC_BATCH_STOP, Rule::Fixed, Rule::Move},
    {IDC_BATCH_RESUME, Rule::Fixed, Rule::Move},
    {IDC_BATCH_STATE, Rule::Stretch, Rule::Move},
    {IDC_BATCH_CLOSE, Rule::Move, Rule::Move},
};

}  // namespace BatchTemplate
