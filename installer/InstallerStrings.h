#pragma once

// The installer program's messages; the caption is the product name.
namespace InstallerText {
inline constexpr char kCaption[] = "Oblimo";
inline constexpr char kInstalling[] = "インストールしています…";
inline constexpr char kUpdatingLists[] =
    "インストールしています… パッケージの一覧を更新しています。";
inline constexpr char kInstalled[] = "Oblimo をインストールしました。";
// Followed by the last lines of the package tool's output.
inline constexpr char kInstallFailed[] = "Oblimo をインストールできませんでした。\n\n";
inline constexpr char kNotAuthorized[] =
    "管理者の権限が得られなかったため、Oblimo をインストールできませんでした。";
// Followed by the folder that was searched.
inline constexpr char kNoPackage[] = "インストールするパッケージが見つかりません。\n\n";
inline constexpr char kSeveralPackages[] = "インストールするパッケージが複数あります。\n\n";
inline constexpr char kNoOwnPath[] = "インストーラーのパス名を取得できません。";
inline constexpr char kNoPackageTool[] =
    "パッケージをインストールするための apt-get が見つかりません。";
inline constexpr char kNoPrivileges[] =
    "管理者の権限でインストールするための sudo または pkexec が見つかりません。";
}  // namespace InstallerText
