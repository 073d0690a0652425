#pragma once

// The installer program's messages; the caption is the product name.
namespace InstallerText {
inline constexpr char16_t kCaption[] = u"Oblimo";
inline constexpr char16_t kInstalled[] = u"Oblimo をインストールしました。";
// Followed by the last lines of the package tool's output.
inline constexpr char16_t kInstallFailed[] = u"Oblimo をインストールできませんでした。\n\n";
// Followed by the folder that was searched.
inline constexpr char16_t kNoPackage[] = u"インストールするパッケージが見つかりません。\n\n";
inline constexpr char16_t kSeveralPackages[] = u"インストールするパッケージが複数あります。\n\n";
inline constexpr char16_t kNoPackageTool[] =
    u"パッケージをインストールするための apt-get が見つかりません。";
inline constexpr char16_t kNoPrivileges[] =
    u"管理者の権限でインストールするための sudo または pkexec が見つかりません。";
}  // namespace InstallerText
