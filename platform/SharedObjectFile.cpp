#include "platform/SharedObjectFile.h"

#include "platform/SystemError.h"

#include <QCoreApplication>

#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

// The running program's own ELF header, which the linker places at the start of its image: the
// kind of machine a library must be built for.
extern "C" const ElfW(Ehdr) __ehdr_start __attribute__((visibility("hidden")));

namespace {

Status Refused(const QString& path, const QString& reason) {
    return Status::PathError(
        path,
        QCoreApplication::translate("SharedObjectFile", "is no usable shared library: ") + reason);
}

// Whether `count` entries of `size` bytes from `offset` lie inside a file of `fileSize` bytes.
bool Inside(uint64_t offset, uint64_t count, uint64_t size, uint64_t fileSize) {
    if (size != 0 && count > (fileSize / size)) {
        return false;
    }
    return offset <= fileSize && count * size <= fileSize - offset;
}

// Reads exactly `size` bytes at `offset`.
bool ReadAt(int fd, void* buffer, size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= static_cast<size_t>(got);
        offset += got;
    }
    return true;
}

}  // namespace

Status CheckSharedObjectFile(int fd, const QString& path) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return ErrnoFailure(path, errno);
    }
    const auto fileSize = static_cast<uint64_t>(info.st_size);
    const QString cutShort =
        QCoreApplication::translate("SharedObjectFile", "the file is cut short (%1 bytes): ")
            .arg(fileSize);
    ElfW(Ehdr) header{};
    if (fileSize < sizeof header || !ReadAt(fd, &header, sizeof header, 0)) {
        return Refused(path, cutShort + QCoreApplication::translate(
                                            "SharedObjectFile", "it ends inside the ELF header"));
    }
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        return Refused(path,
                       QCoreApplication::translate("SharedObjectFile", "it is not an ELF file"));
    }
    const ElfW(Ehdr)& own = __ehdr_start;
    if (header.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] ||
        header.e_ident[EI_DATA] != own.e_ident[EI_DATA] || header.e_machine != own.e_machine) {
        return Refused(path, QCoreApplication::translate(
                                 "SharedObjectFile", "it is built for another kind of machine"));
    }
    if (header.e_type != ET_DYN || header.e_phentsize != sizeof(ElfW(Phdr))) {
        return Refused(path,
                       QCoreApplication::translate("SharedObjectFile", "it is no shared library"));
    }
    if (!Inside(header.e_phoff, header.e_phnum, sizeof(ElfW(Phdr)), fileSize)) {
        return Refused(path, cutShort + QCoreApplication::translate(
                                            "SharedObjectFile", "its program headers end past it"));
    }
    if (header.e_shoff != 0 &&
        !Inside(header.e_shoff, header.e_shnum, header.e_shentsize, fileSize)) {
        return Refused(path, cutShort + QCoreApplication::translate(
                                            "SharedObjectFile", "its section table ends past it"));
    }
    std::vector<ElfW(Phdr)> segments(header.e_phnum);
    if (!segments.empty() && !ReadAt(fd, segments.data(), segments.size() * sizeof segments[0],
                                     static_cast<off_t>(header.e_phoff))) {
        return ErrnoFailure(path, errno == 0 ? EIO : errno);
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        if (!Inside(segments[i].p_offset, 1, segments[i].p_filesz, fileSize)) {
            return Refused(path, cutShort + QCoreApplication::translate(
                                                "SharedObjectFile",
                                                "its segment %1 (%2 bytes at offset %3) "
                                                "ends past it")
                                                .arg(i)
                                                .arg(segments[i].p_filesz)
                                                .arg(segments[i].p_offset));
        }
    }
    return Status::Ok();
}
