#pragma once

#include <QByteArray>
#include <QString>

#include "ByteSink.h"

// How a finished file takes the name it was written for.
enum class FilePublish {
    // The user's own file, for "save as", where the user has agreed to the
    // replacement: an existing file is replaced in one step (readers see either
    // the old file or the complete new one) with its permission bits kept. A
    // symbolic link is followed to the file it names, which is replaced
    // instead. A file the user may not write is refused, as writing it in place
    // would be, and so is a file with further hard links: replacing one name
    // would leave the others on the old contents, and rewriting it in place
    // would put the old contents at risk.
    Replace,
    // The program's own file: whatever entry has the name, a symbolic link
    // included, is replaced in one step and never followed.
    ReplaceEntry,
    // An existing entry of that name is never touched, whoever created it and
    // however shortly before: publishing fails instead. For automatic names.
    NoReplace,
};

// A file that appears under its name only when it is complete. The bytes go to
// a temporary file in the target's own folder (so the final step is a rename
// on one file system), created exclusively, never through a symbolic link,
// with mode 0666 less the umask. Commit flushes it to the disk and publishes
// it as the mode given to Open says; on any failure, and when the object is destroyed without a
// successful Commit, the temporary file is removed and the target is left as it was.
class AtomicFile : public ByteSink {
public:
    // A path without a folder is relative to the current folder.
    explicit AtomicFile(QString targetPath);
    ~AtomicFile() override;

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside the file to be replaced (for Replace,
    // the file a symbolic link names). False when the folder does not exist or
    // cannot be written, the path names no file (it ends with "/"), or, for
    // Replace, the existing file may not be replaced (EACCES, EMLINK).
    bool Open(FilePublish publish);

    bool Write(const void* data, std::size_t size) override;
    bool WriteAt(std::int64_t offset, const void* data, std::size_t size) override;

    // Flushes, closes and publishes the file. False (temporary file removed,
    // target unchanged) when an earlier write failed, the data cannot be made
    // durable, or the target cannot be replaced or, for NoReplace, exists.
    bool Commit();

    // Drops the temporary file; the target is not touched.
    void Discard();

    const QString& TargetPath() const { return m_targetPath; }
    // errno of the first failure, 0 when there was none.
    int Error() const { return m_error; }

private:
    bool Fail(int error);
    bool Publish();
    // For Replace: 0 when the existing entry, if any, may be replaced.
    int CheckReplaceable() const;

    QString m_targetPath;
    QByteArray m_folder;    // native encoding, "." for a bare name
    QByteArray m_name;      // the target's name inside the folder
    QByteArray m_tempName;  // the temporary file's name inside the folder
    FilePublish m_publish = FilePublish::NoReplace;
    int m_folderFd = -1;
    int m_fd = -1;
    bool m_writeFailed = false;
    int m_error = 0;
};

// The last step of a NoReplace commit, on its own so that both ways of doing
// it can be tested on any file system: renameat2 with RENAME_NOREPLACE, and,
// where the file system refuses that flag (or tryRename is false), a hard link
// under the new name followed by removal of the old one. Both fail with EEXIST
// when the name exists. Returns 0 or an errno value.
int PublishWithoutReplacing(int folderFd, const char* from, const char* to, bool tryRename = true);
