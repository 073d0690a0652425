#pragma once

// The launcher's messages. Each ends its install sequence; the caption of
// their boxes is the product name from the record, empty before it is read.
namespace LauncherText {
inline constexpr char kNoOwnPath[] = "インストールファイルのパス名を取得できません。";
inline constexpr char kNoTemporaryFolder[] = "テンポラリフォルダのパス名を取得できません。";
inline constexpr char kCannotOpenOwnFile[] = "インストールファイルを開けません。";
inline constexpr char kNoAnchor[] = "アンカーがありません。";
// Followed by the full path of the file (or folder) that could not be made.
inline constexpr char kCannotCreateTemporary[] = "テンポラリファイルを作成できません。\r\n\r\n";
inline constexpr char kCannotReadOwnFile[] = "インストールファイルを読み取れません。";
inline constexpr char kCannotWriteTemporary[] = "テンポラリファイルに書き込めません。";
inline constexpr char kCannotStartInstaller[] = "インストーラーを起動できません。";
}  // namespace LauncherText
