#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FileIo.h"

// Where the payload is unpacked. The folder named in the record is made below
// a parent that belongs to the user alone, never directly in a temporary
// folder that all users share: there another user could create that name
// first and block the setup, or watch and swap its files.
//
// The parents, in order of preference:
//   1. $XDG_RUNTIME_DIR, when it is the user's own and nobody else may write
//      there; the folder goes directly into it.
//   2. $TMPDIR, /tmp, /var/tmp: shared, so the folder goes into a sub-folder
//      "quillet-<uid>-XXXXXX" of the user's own. One that an interrupted run
//      left is used again (the one already holding the folder first);
//      otherwise mkdtemp makes a fresh one. A folder of that form that is not
//      the user's own is passed over.
//   3. The user's cache folder ($XDG_CACHE_HOME or ~/.cache).
// A parent is skipped when programs may not run from it (a file system
// mounted noexec), when it cannot be written, or when it has too little room.

struct UnpackParentCandidate {
    std::string path;
    bool shared = false;  // needs a sub-folder of the user's own

    bool operator==(const UnpackParentCandidate&) const = default;
};

struct UnpackEnvironment {
    std::string runtimeFolder;  // XDG_RUNTIME_DIR
    std::string temporary;      // TMPDIR
    std::string cacheHome;      // XDG_CACHE_HOME
    std::string home;           // HOME

    static UnpackEnvironment OfThisProcess();
};

// The candidates above for this environment; relative paths are ignored.
std::vector<UnpackParentCandidate> UnpackParentCandidates(const UnpackEnvironment& environment);

// What decides whether a folder's file system can take the payload.
struct FileSystemProbe {
    std::function<bool(int folder)> allowsPrograms;
    std::function<std::uint64_t(int folder)> freeBytes;

    // Both from fstatvfs.
    static FileSystemProbe Real();
};

// The parent chosen for one run. When it was made (or found) as the user's
// sub-folder of a shared folder, RemoveIfEmpty takes it away again after the
// run; a private parent such as the runtime folder always stays.
class UnpackParent {
public:
    int Folder() const { return m_folder.Get(); }
    const std::string& Path() const { return m_path; }
    bool IsSubFolder() const { return bool(m_base); }
    void RemoveIfEmpty();

private:
    friend std::optional<UnpackParent> OpenUnpackParent(const std::vector<UnpackParentCandidate>&,
                                                        const std::string&, std::uint64_t,
                                                        const FileSystemProbe&);
    UniqueFd m_folder;
    std::string m_path;
    UniqueFd m_base;  // the shared folder holding it, when it is a sub-folder
    std::string m_name;
};

// The first candidate that can take neededBytes for the folder named
// folderName; none when no candidate serves.
std::optional<UnpackParent> OpenUnpackParent(const std::vector<UnpackParentCandidate>& candidates,
                                             const std::string& folderName,
                                             std::uint64_t neededBytes,
                                             const FileSystemProbe& probe);

// The folder itself, inside the parent. It is created with mode 0700, and one
// that already exists (from an interrupted run) is used only if it is a real
// folder, not a link, owned by this user; its mode is then narrowed to 0700
// as well. Returns the open folder, or no descriptor when it cannot be used.
UniqueFd OpenPrivateFolder(int parent, const std::string& name);

// Join(a, b): b alone when a is empty, otherwise a and b with one "/".
std::string JoinPath(const std::string& folder, const std::string& name);
