#include "InstallSequence.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AnchorSearch.h"
#include "FileIo.h"
#include "InstallerProcess.h"
#include "LauncherStrings.h"
#include "PrivateFolder.h"
#include "Unpacker.h"

namespace {

constexpr qsizetype kCopyBufferSize = 1 << 20;
// Opening the link itself reaches the running file even when it has been
// renamed or replaced since the launcher started.
constexpr char kOwnFileLink[] = "/proc/self/exe";

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

QString OwnProgramPath() { return QFile::symLinkTarget(QString::fromLatin1(kOwnFileLink)); }

// Absolute, so that it still names the same place once the installer runs in
// its own working folder.
QString TemporaryFolderPath() {
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty()) return QString();
    return QFileInfo(temporary).absoluteFilePath();
}

}  // namespace

InstallSequence::InstallSequence(MessageSink showMessage) : m_showMessage(std::move(showMessage)) {}

void InstallSequence::ShowError(const QString& text) const { m_showMessage(m_caption, text); }

void InstallSequence::Run() {
    if (OwnProgramPath().isEmpty()) return ShowError(Text(LauncherText::kNoOwnPath));
    const QString temporaryFolder = TemporaryFolderPath();
    if (temporaryFolder.isEmpty()) return ShowError(Text(LauncherText::kNoTemporaryFolder));

    const UniqueFd ownFile(open(kOwnFileLink, O_RDONLY | O_CLOEXEC));
    if (!ownFile) return ShowError(Text(LauncherText::kCannotOpenOwnFile));

    const AnchorSearchResult search = FindPayloadAnchor(ownFile.Get());
    m_caption = search.caption;
    if (!search.accepted) return ShowError(Text(LauncherText::kNoAnchor));
    const PayloadAnchor& anchor = search.anchor;

    const QString folderPath = JoinPath(temporaryFolder, anchor.folderName);
    UniqueFd folder = OpenPrivateFolder(folderPath);
    if (!folder) return ShowError(Text(LauncherText::kCannotCreateTemporary) + folderPath);

    const QString installerPath = JoinPath(folderPath, anchor.installerName);
    const QString packagePath = JoinPath(folderPath, anchor.packageName);
    const QByteArray installerName = QFile::encodeName(anchor.installerName);
    const QByteArray packageName = QFile::encodeName(anchor.packageName);
    m_copyBuffer.resize(kCopyBufferSize);

    const struct {
        const QByteArray& name;
        const QString& path;
        PayloadFile file;
    } unpacks[] = {
        {installerName,
         installerPath,
         {anchor.fixed.installerOffset, anchor.fixed.installerSize, anchor.fixed.installerTime,
          0700}},
        {packageName,
         packagePath,
         {anchor.fixed.packageOffset, anchor.fixed.packageSize, anchor.fixed.packageTime, 0600}},
    };
    for (const auto& unpack : unpacks) {
        switch (UnpackPayloadFile(ownFile.Get(), folder.Get(), unpack.name, unpack.file,
                                  m_copyBuffer)) {
            case UnpackStatus::Unpacked:
                continue;
            case UnpackStatus::CreateFailed:
                return ShowError(Text(LauncherText::kCannotCreateTemporary) + unpack.path);
            case UnpackStatus::ReadFailed:
                return ShowError(Text(LauncherText::kCannotReadOwnFile));
            case UnpackStatus::WriteFailed:
                return ShowError(Text(LauncherText::kCannotWriteTemporary));
        }
    }

    const pid_t installer =
        StartInstaller(QFile::encodeName(installerPath), QFile::encodeName(folderPath));
    if (installer < 0) return ShowError(Text(LauncherText::kCannotStartInstaller));
    WaitForInstaller(installer);

    // Best effort: whatever the installer left behind keeps the folder.
    unlinkat(folder.Get(), installerName.constData(), 0);
    unlinkat(folder.Get(), packageName.constData(), 0);
    folder.Reset();
    rmdir(QFile::encodeName(folderPath).constData());
}
