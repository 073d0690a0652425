#include "InstallSequence.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include "AnchorSearch.h"
#include "ChildProcess.h"
#include "FileIo.h"
#include "LauncherStrings.h"
#include "Unpacker.h"

namespace {

constexpr std::size_t kCopyBufferSize = 1 << 20;
// Opening the link itself reaches the running file even when it has been
// renamed or replaced since the launcher started.
constexpr char kOwnFileLink[] = "/proc/self/exe";

std::string OwnProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink(kOwnFileLink, path, sizeof path);
    if (length <= 0 || std::size_t(length) >= sizeof path) return std::string();
    return std::string(path, std::size_t(length));
}

struct UnpackedFile {
    const std::string& name;
    PayloadFile file;
};

}  // namespace

InstallSequence::InstallSequence(MessageSink showMessage, UnpackEnvironment environment,
                                 FileSystemProbe probe)
    : m_showMessage(std::move(showMessage)),
      m_environment(std::move(environment)),
      m_probe(std::move(probe)) {}

void InstallSequence::ShowError(const std::string& text) const { m_showMessage(m_caption, text); }

void InstallSequence::Run() {
    if (OwnProgramPath().empty()) return ShowError(LauncherText::kNoOwnPath);
    const std::vector<UnpackParentCandidate> parents = UnpackParentCandidates(m_environment);
    if (parents.empty()) return ShowError(LauncherText::kNoTemporaryFolder);

    const UniqueFd ownFile(open(kOwnFileLink, O_RDONLY | O_CLOEXEC));
    if (!ownFile) return ShowError(LauncherText::kCannotOpenOwnFile);

    const AnchorSearchResult search = FindPayloadAnchor(ownFile.Get());
    m_caption = search.caption;
    if (!search.accepted) return ShowError(LauncherText::kNoAnchor);
    const PayloadAnchor& anchor = search.anchor;

    // The parent is chosen once the sizes are known: a small runtime folder
    // or a temporary folder mounted noexec passes the payload on to the next.
    const std::uint64_t neededBytes =
        std::uint64_t(anchor.fixed.installerSize) + anchor.fixed.packageSize;
    std::optional<UnpackParent> parent =
        OpenUnpackParent(parents, anchor.folderName, neededBytes, m_probe);
    if (!parent) return ShowError(LauncherText::kNoTemporaryFolder);

    const std::string folderPath = JoinPath(parent->Path(), anchor.folderName);
    UniqueFd folder = OpenPrivateFolder(parent->Folder(), anchor.folderName);
    if (!folder) {
        parent->RemoveIfEmpty();
        return ShowError(LauncherText::kCannotCreateTemporary + folderPath);
    }

    const std::string installerPath = JoinPath(folderPath, anchor.installerName);
    m_copyBuffer.resize(kCopyBufferSize);
    const UnpackedFile unpacks[] = {
        {anchor.installerName,
         {anchor.fixed.installerOffset, anchor.fixed.installerSize, anchor.fixed.installerTime,
          0700}},
        {anchor.packageName,
         {anchor.fixed.packageOffset, anchor.fixed.packageSize, anchor.fixed.packageTime, 0600}},
    };
    // A failed unpack leaves what was written, so that it can be looked at.
    for (const UnpackedFile& unpack : unpacks) {
        switch (UnpackPayloadFile(ownFile.Get(), folder.Get(), unpack.name, unpack.file,
                                  m_copyBuffer)) {
            case UnpackStatus::Unpacked:
                continue;
            case UnpackStatus::CreateFailed:
                return ShowError(LauncherText::kCannotCreateTemporary +
                                 JoinPath(folderPath, unpack.name));
            case UnpackStatus::ReadFailed:
                return ShowError(LauncherText::kCannotReadOwnFile);
            case UnpackStatus::WriteFailed:
                return ShowError(LauncherText::kCannotWriteTemporary);
        }
    }

    ChildSetup setup;
    setup.workingFolder = folderPath;
    const pid_t installer = StartChild(installerPath, {}, setup);
    // Whether it ran or not, both files go: an installer that cannot start
    // would otherwise leave the whole package in the temporary folder.
    if (installer >= 0) WaitForChild(installer);

    // Best effort: whatever the installer left behind keeps the folder.
    for (const UnpackedFile& unpack : unpacks) unlinkat(folder.Get(), unpack.name.c_str(), 0);
    folder.Reset();
    unlinkat(parent->Folder(), anchor.folderName.c_str(), AT_REMOVEDIR);
    parent->RemoveIfEmpty();
    if (installer < 0) ShowError(LauncherText::kCannotStartInstaller);
}
