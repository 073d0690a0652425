#include "UnpackFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string SubFolderPrefix() { return "quillet-" + std::to_string(geteuid()) + "-"; }

// A real folder (not a link), owned by this user, that no one else may enter.
bool IsOwnPrivateFolder(int folder) {
    struct stat status;
    return fstat(folder, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & 077) == 0;
}

bool CanTakePayload(int folder, std::uint64_t neededBytes, const FileSystemProbe& probe) {
    return faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) == 0 && probe.allowsPrograms(folder) &&
           probe.freeBytes(folder) >= neededBytes;
}

UniqueFd OpenSubFolder(int base, const std::string& name) {
    UniqueFd folder(openat(base, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder || !IsOwnPrivateFolder(folder.Get())) return UniqueFd();
    return folder;
}

// The names of this user's sub-folders in base, sorted; which of them can be
// used is decided when each is opened.
std::vector<std::string> SubFolderNames(int base) {
    std::vector<std::string> names;
    const int listing = dup(base);
    if (listing < 0) return names;
    DIR* folder = fdopendir(listing);
    if (!folder) {
        close(listing);
        return names;
    }
    const std::string prefix = SubFolderPrefix();
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
            names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

UnpackEnvironment UnpackEnvironment::OfThisProcess() {
    return {Variable("XDG_RUNTIME_DIR"), Variable("TMPDIR"), Variable("XDG_CACHE_HOME"),
            Variable("HOME")};
}

std::vector<UnpackParentCandidate> UnpackParentCandidates(const UnpackEnvironment& environment) {
    std::vector<UnpackParentCandidate> candidates;
    const auto add = [&candidates](const std::string& path, bool shared) {
        if (!IsAbsolute(path)) return;
        const UnpackParentCandidate candidate{path, shared};
        if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
            candidates.push_back(candidate);
    };
    add(environment.runtimeFolder, false);
    add(environment.temporary, true);
    add("/tmp", true);
    add("/var/tmp", true);
    if (IsAbsolute(environment.cacheHome))
        add(environment.cacheHome, false);
    else if (IsAbsolute(environment.home))
        add(JoinPath(environment.home, ".cache"), false);
    return candidates;
}

FileSystemProbe FileSystemProbe::Real() {
    FileSystemProbe probe;
    probe.allowsPrograms = [](int folder) {
        struct statvfs status;
        return fstatvfs(folder, &status) == 0 && (status.f_flag & ST_NOEXEC) == 0;
    };
    probe.freeBytes = [](int folder) -> std::uint64_t {
        struct statvfs status;
        if (fstatvfs(folder, &status) != 0) return 0;
        return std::uint64_t(status.f_bavail) * std::uint64_t(status.f_frsize);
    };
    return probe;
}

void UnpackParent::RemoveIfEmpty() {
    if (!m_base) return;
    m_folder.Reset();
    unlinkat(m_base.Get(), m_name.c_str(), AT_REMOVEDIR);
    m_base.Reset();
}

std::optional<UnpackParent> OpenUnpackParent(const std::vector<UnpackParentCandidate>& candidates,
                                             const std::string& folderName,
                                             std::uint64_t neededBytes,
                                             const FileSystemProbe& probe) {
    for (const UnpackParentCandidate& candidate : candidates) {
        UniqueFd base(open(candidate.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!base) continue;
        if (!candidate.shared) {
            // Private: the user's own, and nobody else may add entries to it.
            struct stat status;
            if (fstat(base.Get(), &status) != 0 || status.st_uid != geteuid() ||
                (status.st_mode & 022) != 0)
                continue;
        }
        if (!CanTakePayload(base.Get(), neededBytes, probe)) continue;

        UnpackParent parent;
        if (!candidate.shared) {
            parent.m_folder = std::move(base);
            parent.m_path = candidate.path;
            return parent;
        }

        // A sub-folder of an interrupted run, the one holding the folder first.
        std::string chosen;
        UniqueFd chosenFolder;
        for (const std::string& name : SubFolderNames(base.Get())) {
            UniqueFd sub = OpenSubFolder(base.Get(), name);
            if (!sub) continue;
            struct stat status;
            const bool holdsFolder =
                fstatat(sub.Get(), folderName.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
            if (!chosenFolder || holdsFolder) {
                chosen = name;
                chosenFolder = std::move(sub);
            }
            if (holdsFolder) break;
        }
        if (!chosenFolder) {
            std::string pattern = JoinPath(candidate.path, SubFolderPrefix() + "XXXXXX");
            if (!mkdtemp(pattern.data())) continue;
            chosen = pattern.substr(pattern.rfind('/') + 1);
            chosenFolder = OpenSubFolder(base.Get(), chosen);
            if (!chosenFolder) continue;
        }
        parent.m_folder = std::move(chosenFolder);
        parent.m_path = JoinPath(candidate.path, chosen);
        parent.m_base = std::move(base);
        parent.m_name = chosen;
        return parent;
    }
    return std::nullopt;
}

UniqueFd OpenPrivateFolder(int parent, const std::string& name) {
    // Whether it was made now or left by an earlier run, the checks below decide.
    mkdirat(parent, name.c_str(), 0700);
    UniqueFd folder(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) return UniqueFd();
    struct stat status;
    if (fstat(folder.Get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != geteuid()) {
        return UniqueFd();
    }
    if ((status.st_mode & 07777) != 0700 && fchmod(folder.Get(), 0700) != 0) return UniqueFd();
    return folder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}
