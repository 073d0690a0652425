#pragma once

#include <QString>

// The program's own texts, exactly as the user sees them.
namespace Strings {
inline QString Untitled() { return QStringLiteral("無題"); }
inline QString CannotLoadFile() { return QStringLiteral("ファイルをロードできません。"); }
inline QString FailedToOpenDocument() {
    return QStringLiteral("ドキュメントを開くことに失敗しました。");
}
inline QString AskSaveChangesSuffix() {
    return QStringLiteral("への変更をファイルに保存しますか？");
}
inline QString DiscardEditing() { return QStringLiteral("編集中のデータを捨てます。"); }
inline QString SizeImpossible() { return QStringLiteral("そのサイズにはできません。"); }
inline QString SmallerThanTrimmed() {
    return QStringLiteral("トリム後サイズより小さくすることはできません。");
}
inline QString CannotWriteFile() { return QStringLiteral("ファイルに書き込めません。"); }
inline QString ApplicationTitle() { return QStringLiteral("Oblimo"); }
}  // namespace Strings

// Texts of the editing view, its size check and the line tool.
namespace Strings {
inline QString ZoomActualSize() { return QStringLiteral("等倍"); }
inline QString ZoomAuto() { return QStringLiteral("自動"); }
inline QString TurnLeft90() { return QStringLiteral("左90度"); }
inline QString TurnRight90() { return QStringLiteral("右90度"); }
inline QString Turn180() { return QStringLiteral("180度*"); }
inline QString ResetAngle() { return QStringLiteral("リセット"); }
inline QString RotateButton() { return QStringLiteral("回転"); }
inline QString LineExplanationPrefix() { return QStringLiteral("回転ボタンを押すと引いた線が"); }
inline QString LineVertical() { return QStringLiteral("垂直"); }
inline QString LineHorizontal() { return QStringLiteral("水平"); }
inline QString LineExplanationSuffix() { return QStringLiteral("になるように回転します。"); }
inline QString SkewNotFound() { return QStringLiteral("傾きを検出できませんでした。"); }
// The open dialog's filter; "#IMGFILEEXTS" stands for the image patterns.
inline QString OpenFilter() {
    return QStringLiteral("画像ファイル(#IMGFILEEXTS)|#IMGFILEEXTS|すべてのファイル(*.*)|*||");
}
// Accessible names of controls that show no text of their own.
inline QString ZoomInButton() { return QStringLiteral("拡大"); }
inline QString ZoomOutButton() { return QStringLiteral("縮小"); }
inline QString ImageCanvas() { return QStringLiteral("画像"); }
inline QString StatusBar() { return QStringLiteral("ステータス"); }
inline QString Toolbar() { return QStringLiteral("ツールバー"); }
inline QString HorizontalScroll() { return QStringLiteral("水平スクロールバー"); }
inline QString VerticalScroll() { return QStringLiteral("垂直スクロールバー"); }
}  // namespace Strings

// Texts of the two save commands.
namespace Strings {
inline QString TrimBeforeSaving() { return QStringLiteral("セーブする前にトリムしてください。"); }
inline QString CannotSave() { return QStringLiteral("セーブできません。"); }
inline QString SaveAnotherCopy() {
    return QStringLiteral("名前を変えてもうひとつ同じ画像を保存しますか？");
}
inline QString SavedUnderName() { return QStringLiteral("以下の名前で保存しました。\r\n"); }
inline QString SaveAsFilterWithHeif() {
    return QStringLiteral(
        "pngファイル(*.png)|*.png|jpegファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg|24bit ビットマップファイル"
        "(*.bmp)|*.bmp|heicファイル(*.heic;*.heif)|*.heic;*.heif|すべてのファイル(*.*)|*.*||");
}
inline QString SaveAsFilter() {
    return QStringLiteral(
        "pngファイル(*.png)|*.png|jpegファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg|24bit ビットマップファイル"
        "(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*||");
}
}  // namespace Strings

// Texts of the options sheet and its pages.
namespace Strings {
inline QString OptionsCaption() { return QStringLiteral("オプション"); }
inline QString OpacityOutOfRange() {
    return QStringLiteral("不透明度には0から255までの整数を入力してください。");
}
inline QString SubfolderNameMissing() { return QStringLiteral("サブフォルダ名を指定してください。"); }
inline QString SubfolderNameInvalid() {
    return QStringLiteral("サブフォルダ名に使えない文字があります。");
}
inline QString FolderNameMissing() { return QStringLiteral("フォルダ名を指定してください。"); }
inline QString AskCreateFolder() {
    return QStringLiteral("フォルダがありません。この名前のフォルダを作成しますか？\r\n");
}
inline QString CannotCreateFolder() { return QStringLiteral("フォルダを作成できません。\r\n"); }
inline QString FolderNameWrong() { return QStringLiteral("フォルダ名が間違っています。"); }
}  // namespace Strings

// Texts of the version dialog.
namespace Strings {
inline QString AboutCaption() { return QStringLiteral("バージョン情報"); }
inline QString AboutHomePageButton() { return QStringLiteral("ホームページ"); }
inline QString AboutCopyright() { return QStringLiteral("Copyright (C) 2014-2025 Sunmoth"); }
}  // namespace Strings

// Texts of the batch run and its dialog.
namespace Strings {
inline QString BatchOpenTitle() { return QStringLiteral("一括処理（複数選択できます）"); }
inline QString BatchDialogCaption() { return QStringLiteral("Oblimo　一括処理"); }
inline QString BatchInputLabel() { return QStringLiteral("入力"); }
inline QString BatchOutputLabel() { return QStringLiteral("出力"); }
inline QString BatchColumnStatus() { return QStringLiteral("状態"); }
inline QString BatchColumnInput() { return QStringLiteral("入力ファイル"); }
inline QString BatchColumnOutput() { return QStringLiteral("出力ファイル"); }
// Succeeded, failed, remaining; two spaces between the groups.
inline QString BatchCounters(int succeeded, int failed, int remaining) {
    return QStringLiteral("成功 %1  失敗 %2  残り %3").arg(succeeded).arg(failed).arg(remaining);
}
inline QString BatchProcessingText() { return QStringLiteral("処理しています"); }
inline QString BatchStoppingText() { return QStringLiteral("中止しています..."); }
inline QString BatchStoppedText() { return QStringLiteral("中止しました。"); }
inline QString BatchCompletedText() { return QStringLiteral("完了しました。"); }
}  // namespace Strings
