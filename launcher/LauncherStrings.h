#pragma once

// The launcher's messages. Each ends its install sequence; the caption of
// their boxes is the product name from the record, empty before it is read.
namespace LauncherText {
inline constexpr char16_t kNoOwnPath[] = u"インストールファイルのパス名を取得できません。";
inline constexpr char16_t kNoTemporaryFolder[] = u"テンポラリフォルダのパス名を取得できません。";
inline constexpr char16_t kCannotOpenOwnFile[] = u"インストールファイルを開けません。";
inline constexpr char16_t kNoAnchor[] = u"アンカーがありません。";
// Followed by the full path of the file (or folder) that could not be made.
inline constexpr char16_t kCannotCreateTemporary[] =
    u"テンポラリファイルを作成できません。\r\n\r\n";
inline constexpr char16_t kCannotReadOwnFile[] = u"インストールファイルを読み取れません。";
inline constexpr char16_t kCannotWriteTemporary[] = u"テンポラリファイルに書き込めません。";
inline constexpr char16_t kCannotStartInstaller[] = u"インストーラーを起動できません。";
}  // namespace LauncherText
