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
