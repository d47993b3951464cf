#pragma once

#include <sys/types.h>

#include <cstddef>

// The system calls by which a save puts a file on the disk (platform/AtomicReplace.h): it creates
// the temporary file, writes it, flushes it, names it, renames it over the target, flushes the
// folder, and removes a temporary file that is not to stay. They sit behind this interface so that
// a test can make any one of them fail, or stop the save there as a crash would.
//
// Each takes and returns what the system call of its name does: on failure -1 with errno set. The
// calls of this class are the real ones and do nothing more; they keep no state, so one object
// serves any number of saves, at the same time too.
class SaveCalls {
  public:
    virtual ~SaveCalls() = default;

    // openat(): the temporary file, unnamed (O_TMPFILE) or under a name of its own (O_CREAT).
    virtual int CreateAt(int folder, const char* name, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const void* data, std::size_t size);
    // copy_file_range(): the start of the old file that the new one keeps, into the new one.
    virtual ssize_t CopyRange(int from, loff_t* fromOffset, int to, loff_t* toOffset,
                              std::size_t size);
    // fdatasync() of the new file before it gets its name.
    virtual int DataSync(int fd);
    // linkat(): gives the unnamed file its name.
    virtual int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    // renameat() within one folder.
    virtual int RenameAt(int folder, const char* from, const char* to);
    // fsync() of the folder, which makes a rename in it last.
    virtual int FolderSync(int folder);
    // unlinkat() of a file.
    virtual int UnlinkAt(int folder, const char* name);

    // Writes all of [data, data + size) through Write(), retrying short writes and
    // interruptions. Returns 0 or the errno of the failing write.
    int WriteAll(int fd, const char* data, std::size_t size);
};
