#pragma once

#include "platform/ByteSink.h"
#include "platform/ByteSource.h"
#include "platform/Status.h"
#include "platform/SystemError.h"
#include "platform/WaitClock.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <errno.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Which file a path named, and which version of it: two paths name the same file when device and
// inode agree (through symlinks and hard links); size and modification time change with its
// contents, as far as the file system can tell.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;  // nanoseconds since the epoch

    bool SameFile(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity&) const = default;
};

// Held while a file is read, changed and replaced, so that other saves of the same file wait
// instead of overwriting each other's changes. Released when destroyed.
class UpdateLock {
  public:
    virtual ~UpdateLock() = default;
};

// How long a run that nobody watches waits for an update lock that another program holds before
// it gives up.
inline constexpr std::chrono::milliseconds kUnattendedLockWait = std::chrono::seconds(60);

// How a caller waits for an update lock that another program holds: whom it tells that it waits,
// when it gives up, and whether it stops on request. The caller decides: a window may wait longer
// than a script, and let its user stop the wait.
struct LockWait {
    // Called once, with a message that names the folder ("Waiting for <folder>: another program
    // is saving there..."), when the lock has not come within `tellAfter`. May be empty.
    std::function<void(const QString& message)> tell;
    std::chrono::milliseconds tellAfter = std::chrono::seconds(1);
    // How long to wait in all before the lock fails; milliseconds::max() waits for ever. With
    // both times zero the lock is tried once: a held one is told and fails at once.
    std::chrono::milliseconds giveUpAfter = kUnattendedLockWait;
    // Asked after every try that found the lock taken; true stops the wait at once, and the lock
    // then fails with a Status that IsCancelled(). May be empty.
    std::function<bool()> cancelled = {};
    // Measures the wait and pauses between tries; null is the system's steady clock. Must outlive
    // the wait.
    WaitClock* clock = nullptr;
};

// Who may read a file that a write creates. A file that exists keeps its permission bits either
// way.
enum class NewFileAccess {
    Default,    // what the process's umask allows
    OwnerOnly,  // 0600: the file holds a secret
};

// The permission bits of a file that a write leaves: those of NewFileAccess, or the ones the
// caller sets.
struct FileAccess {
    // Not explicit: most writes ask for no more than a NewFileAccess.
    FileAccess(NewFileAccess newFile = NewFileAccess::Default) : newFile(newFile) {}
    static FileAccess Exactly(unsigned mode) {
        FileAccess access;
        access.mode = mode;
        return access;
    }

    NewFileAccess newFile;
    // When set, the permission bits (at most 0777) of the file after the write, whether the write
    // creates it, replaces it or leaves it alone because it holds the bytes already; newFile then
    // counts for nothing. A file that is no regular file (a FIFO, a device) keeps its own.
    std::optional<unsigned> mode;
};

// Whole-file access to the disk, behind an interface so that tests can inject faults.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Reads the whole regular file at `path` into `contents`. Fails with a Status that
    // IsNotFound() when nothing exists at `path`, and with an error naming the path and the reason
    // when it cannot be read, is not a regular file (a directory, a FIFO, a device), or is larger
    // than `maxBytes`. `identity`, when given, receives the identity of the file that was read
    // (taken from the open file, so it belongs to these very bytes).
    virtual Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                            FileIdentity* identity = nullptr) = 0;

    // Opens the regular file at `path` to be read in pieces, with the checks and failures of
    // ReadFile; a file that grows beyond `maxBytes` while it is read fails the read that finds
    // out. The default reads it whole.
    virtual Status OpenFile(const QString& path, qint64 maxBytes,
                            std::unique_ptr<ByteSource>* source) {
        QByteArray contents;
        Status read = ReadFile(path, maxBytes, &contents);
        *source = std::make_unique<ByteArraySource>(std::move(contents));
        return read;
    }

    // Opens the regular file at `path` to be read in pieces, as OpenFile does, but only when no
    // user but root and the one running the program could have chosen what it holds: the path and
    // the file pass the program's trust rule (platform/TrustedPath.h). A refusal fails with a
    // Status that IsUntrusted() and names the folder, symlink or file and its owner. What is read
    // is the very file that was checked. For what a save starts or copies into its outputs: the
    // configuration that names the commands, and the templates.
    virtual Status OpenTrustedFile(const QString& path, qint64 maxBytes,
                                   std::unique_ptr<ByteSource>* source) = 0;

    // Reads the whole regular file at `path` as ReadFile does, but only when it passes the trust
    // rule as OpenTrustedFile says, and through the descriptor that the check opened: the bytes
    // and `identity` are those of the file that was checked. For the settings file, whose values
    // go into every output.
    virtual Status ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                   FileIdentity* identity = nullptr) = 0;

    // Reads what a write of `path` would replace, for a diff of that write: through the walk and
    // the checks of CheckWriteTarget, refused where it refuses, and through the descriptor that
    // walk opened, never again by path. Fails with a Status that IsNotFound() when nothing is
    // there, and names the path when it is no regular file or is larger than `maxBytes`.
    // `linked` receives whether `path` itself names a symlink, which the write follows.
    virtual Status ReadReplacedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                    bool* linked) = 0;

    // Why WriteFileFrom would refuse `path` before it wrote a byte, or Ok: a folder on the way
    // that is missing or no folder, a folder at the path itself, or a path that fails the trust
    // rule (IsUntrusted()), each named as WriteFileFrom names it. A run that writes nothing asks
    // this to foresee what the real one would refuse.
    virtual Status CheckWriteTarget(const QString& path) = 0;

    // Replaces the file at `path` by what `produce` gives, all or nothing. A regular file that
    // holds exactly these bytes already is left alone: its inode, modification time and
    // permission bits stay, a file watcher sees nothing, and neither the right to write it nor
    // room on the disk is needed. Otherwise the bytes go to a temporary file in the same folder
    // as they come, every write is checked, the file is flushed to the disk, and only then is it
    // renamed over the target. The target's permission bits are kept; a symlink is followed and
    // the file it points to is replaced; an existing target that we may not write is refused. An
    // existing target that is not a regular file (a FIFO, a character device) is written directly
    // instead. Nothing is written through a folder or symlink on the path that belongs to another
    // user than root and the caller, nor through a folder that such a user may change, unless it
    // is sticky like /tmp and what the path takes from it is root's or the caller's; the error
    // then names the folder or symlink and its owner. On failure the old file is unchanged, no
    // temporary file is left behind, and the error names the path and the reason. A temporary
    // file that a killed save left beside the target is removed by its next save that writes;
    // no other file is. `produce` runs once; when it fails, nothing is written and its failure is
    // returned. The file gets the permission bits that `access` asks for.
    virtual Status WriteFileFrom(const QString& path, const ByteProducer& produce,
                                 FileAccess access = {}) = 0;

    // True when `path` names a regular file (a symlink counts by what it points to) that holds
    // exactly the bytes `produce` gives; false when it differs, is missing, is no regular file or
    // cannot be read. The default reads both into memory; the disk's compares piece by piece as
    // the bytes come, holding neither whole, and stops looking at the first difference. The disk
    // looks at the file only through the walk of CheckWriteTarget: a path it refuses differs.
    virtual bool Holds(const QString& path, const ByteProducer& produce) {
        ByteArraySink sink;
        QByteArray existing;
        return produce(sink).ok() && ReadFile(path, sink.bytes().size(), &existing).ok() &&
               existing == sink.bytes();
    }

    // WriteFileFrom with bytes that are already in memory.
    Status WriteFile(const QString& path, const QByteArray& contents, FileAccess access = {}) {
        return WriteFileFrom(path, ProducerOf(contents), access);
    }

    // True when a file or directory exists at `path` (a symlink counts by what it points to).
    virtual bool Exists(const QString& path) = 0;

    // The identity of what `path` names now (a symlink counts by what it points to). Fails with
    // a Status that IsNotFound() when nothing exists there.
    virtual Status Identify(const QString& path, FileIdentity* identity) = 0;

    // The permission bits (07777) of what `path` names now, as Identify finds it.
    virtual Status ModeOf(const QString& path, unsigned* mode) = 0;

    // Waits until no other process holds the update lock of the file at `path` (which need not
    // exist) and takes it, telling and giving up as `wait` says. Two paths of the same file share
    // its lock, and only a user who may write the file's folder can take it: one who may only
    // read there cannot hold a save up. Given up or cancelled, it fails with a message that names
    // the folder whose lock it waited for. The lock may leave a lock file of its own beside the
    // file, which a later save uses again.
    virtual Status LockForUpdate(const QString& path, const LockWait& wait,
                                 std::unique_ptr<UpdateLock>* lock) = 0;

  protected:
    // The failures of ReadFile, in the same words for every file system.
    static Status FileNotFound(const QString& path) {
        return Status::PathNotFound(path, DescribeErrno(ENOENT));
    }
    static Status FileTooLarge(const QString& path, qint64 maxBytes) {
        return Status::PathError(
            path, QCoreApplication::translate("FileSystem", "the file is larger than %1 bytes")
                      .arg(maxBytes));
    }
};
