#include "platform/SaveCalls.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

int SaveCalls::CreateAt(int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
}

ssize_t SaveCalls::Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

ssize_t SaveCalls::CopyRange(int from, loff_t* fromOffset, int to, loff_t* toOffset,
                             std::size_t size) {
    return ::copy_file_range(from, fromOffset, to, toOffset, size, 0);
}

int SaveCalls::DataSync(int fd) {
    return ::fdatasync(fd);
}

int SaveCalls::LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    return ::linkat(fromFolder, from, toFolder, to, flags);
}

int SaveCalls::RenameAt(int folder, const char* from, const char* to) {
    return ::renameat(folder, from, folder, to);
}

int SaveCalls::FolderSync(int folder) {
    return ::fsync(folder);
}

int SaveCalls::UnlinkAt(int folder, const char* name) {
    return ::unlinkat(folder, name, 0);
}

int SaveCalls::WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = Write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;  // not expected from write(); never loop on it
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}
