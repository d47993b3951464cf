#include "platform/SharedObjectFile.h"

#include "platform/UniqueFd.h"
#include "testing/QStringPrinter.h"

#include <QFile>

#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

TEST(SharedObjectFileTest, RefusesWhatTheLoaderCouldNotMapWhole) {
    // The test program itself, a position-independent executable: an ELF file of the shared kind
    // for this machine, with segments and a section table at the end.
    QFile self("/proc/self/exe");
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray whole = self.readAll();
    ASSERT_GT(whole.size(), 4096);
    const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(whole.constData());
    const auto* segments = reinterpret_cast<const ElfW(Phdr)*>(whole.constData() + header->e_phoff);
    qsizetype segmentsEnd = 0;
    for (int i = 0; i < header->e_phnum; ++i)
        segmentsEnd = std::max<qsizetype>(segmentsEnd, segments[i].p_offset + segments[i].p_filesz);
    using Patch = std::function<void(ElfW(Ehdr)&, ElfW(Phdr)*)>;
    struct Case {
        const char* what;
        qsizetype kept;  // bytes of the file that are kept
        Patch patch;
        const char* says;  // nullptr: accepted
    };
    const qsizetype all = whole.size();
    // The window module's tests cut a module short inside its header and inside its segments.
    const Case cases[] = {
        {"the whole file", all, nullptr, nullptr},
        {"cut inside the program headers", qsizetype(header->e_phoff + 8), nullptr,
         "its program headers end past it"},
        {"cut inside its last segment, with the section table after it", segmentsEnd - 1, nullptr,
         "its section table ends past it"},
        {"cut after the segments, before the section table", qsizetype(header->e_shoff), nullptr,
         "its section table ends past it"},
        {"a segment past the end, with a whole section table", all,
         [all](auto& h, auto* p) {
             p[h.e_phnum - 1].p_offset = all;
             p[h.e_phnum - 1].p_filesz = 4096;
         },
         "ends past it"},
        {"a segment whose end overflows", all,
         [](auto&, auto* p) {
             p[0].p_offset = 16;
             p[0].p_filesz = ~ElfW(Xword){0};
         },
         "its segment 0"},
        {"not an ELF file", all, [](auto& h, auto*) { h.e_ident[EI_MAG1] = 'x'; },
         "it is not an ELF file"},
        {"for another machine", all,
         [](auto& h, auto*) { h.e_machine = h.e_machine == EM_AARCH64 ? EM_X86_64 : EM_AARCH64; },
         "it is built for another kind of machine"},
        {"an executable that is not position independent", all,
         [](auto& h, auto*) { h.e_type = ET_EXEC; }, "it is no shared library"}};
    for (const Case& c : cases) {
        QByteArray image = whole;
        if (c.patch)
            c.patch(*reinterpret_cast<ElfW(Ehdr)*>(image.data()),
                    reinterpret_cast<ElfW(Phdr)*>(image.data() + header->e_phoff));
        image.truncate(c.kept);
        const UniqueFd fd(::memfd_create("module.so", MFD_CLOEXEC));
        ASSERT_EQ(::write(fd.get(), image.constData(), image.size()), image.size()) << c.what;
        const QString checked = CheckSharedObjectFile(fd.get(), "/lib/module.so").message();
        const QString expected = c.says ? "/lib/module.so: is no usable shared library: " : "";
        EXPECT_TRUE(c.says ? checked.startsWith(expected) && checked.contains(c.says)
                           : checked.isEmpty())
            << c.what << "\nexpected: " << expected.toStdString() << "..." << (c.says ? c.says : "")
            << "\nactual: " << checked.toStdString();
    }
}

}  // namespace
