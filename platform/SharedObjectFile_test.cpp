#include "platform/SharedObjectFile.h"

#include "platform/UniqueFd.h"
#include "testing/QStringPrinter.h"

#include <QFile>
#include <QTemporaryDir>

#include <elf.h>
#include <fcntl.h>
#include <link.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

// The test program itself, a position-independent executable: an ELF file of the shared kind
// for this machine, with segments and a section table.
QByteArray OwnImage() {
    QFile self("/proc/self/exe");
    return self.open(QIODevice::ReadOnly) ? self.readAll() : QByteArray();
}

ElfW(Ehdr) * Header(QByteArray& image) {
    return reinterpret_cast<ElfW(Ehdr)*>(image.data());
}

TEST(SharedObjectFileTest, RefusesWhatTheLoaderCouldNotMapWhole) {
    const QByteArray whole = OwnImage();
    ASSERT_GT(whole.size(), 4096);
    const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(whole.constData());
    const auto* segments = reinterpret_cast<const ElfW(Phdr)*>(whole.constData() + header->e_phoff);
    // The end of the segment that ends last, below the section table at the end of the file.
    qsizetype segmentsEnd = 0;
    for (int i = 0; i < header->e_phnum; ++i)
        segmentsEnd = std::max<qsizetype>(segmentsEnd, segments[i].p_offset + segments[i].p_filesz);
    struct Case {
        const char* what;
        std::function<QByteArray()> image;
        const char* says;  // nullptr: accepted
    };
    const Case cases[] = {
        {"the whole file", [&] { return whole; }, nullptr},
        {"cut inside the ELF header", [&] { return whole.left(40); },
         "the file is cut short (40 bytes): it ends inside the ELF header"},
        {"cut inside the program headers", [&] { return whole.left(header->e_phoff + 8); },
         "its program headers end past it"},
        {"cut inside its last segment, with the section table after it",
         [&] { return whole.left(segmentsEnd - 1); }, "its section table ends past it"},
        {"cut after the segments, before the section table",
         [&] { return whole.left(header->e_shoff); }, "its section table ends past it"},
        {"a segment past the end, with a whole section table",
         [&] {
             QByteArray image = whole;
             auto* phdrs = reinterpret_cast<ElfW(Phdr)*>(image.data() + header->e_phoff);
             phdrs[header->e_phnum - 1].p_offset = image.size();
             phdrs[header->e_phnum - 1].p_filesz = 4096;
             return image;
         },
         "ends past it"},
        {"a segment whose end overflows",
         [&] {
             QByteArray image = whole;
             auto* phdrs = reinterpret_cast<ElfW(Phdr)*>(image.data() + header->e_phoff);
             phdrs[0].p_offset = 16;
             phdrs[0].p_filesz = ~ElfW(Xword){0};
             return image;
         },
         "its segment 0"},
        {"not an ELF file", [] { return QByteArray(100, 'x'); }, "it is not an ELF file"},
        {"for another machine",
         [&] {
             QByteArray image = whole;
             Header(image)->e_machine =
                 Header(image)->e_machine == EM_AARCH64 ? EM_X86_64 : EM_AARCH64;
             return image;
         },
         "it is built for another kind of machine"},
        {"an executable that is not position independent",
         [&] {
             QByteArray image = whole;
             Header(image)->e_type = ET_EXEC;
             return image;
         },
         "it is no shared library"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir scratch;
        const QString path = scratch.path() + "/module.so";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray image = c.image();
        ASSERT_EQ(file.write(image), image.size());
        file.close();
        const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
        const Status checked = CheckSharedObjectFile(fd.get(), path);
        if (c.says == nullptr) {
            EXPECT_TRUE(checked.ok()) << checked.message().toStdString();
        } else {
            EXPECT_TRUE(checked.message().startsWith(path + ": is no usable shared library: "))
                << checked.message().toStdString();
            EXPECT_TRUE(checked.message().contains(c.says))
                << "expected: " << c.says << "\nactual: " << checked.message().toStdString();
        }
    }
}

}  // namespace
