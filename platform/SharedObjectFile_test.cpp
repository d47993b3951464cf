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

// The test program itself is a position-independent executable: an ELF file of the shared kind.
TEST(SharedObjectFileTest, RefusesWhatTheLoaderCouldNotMapWhole) {
    QFile self("/proc/self/exe");
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray whole = self.readAll();
    const auto& header = *reinterpret_cast<const ElfW(Ehdr)*>(whole.constData());
    const qsizetype all = whole.size();
    const struct {
        const char* what;
        qsizetype kept;  // bytes of the file that are kept
        std::function<void(ElfW(Ehdr)&, ElfW(Phdr)*)> patch;
        const char* says;  // nullptr: accepted
    } cases[] = {{"the whole file", all, nullptr, nullptr},
                 {"cut in the program headers", qsizetype(header.e_phoff + 8), nullptr,
                  "headers end past it"},
                 {"a segment whose end overflows", all,
                  [](auto&, auto* p) { p[0].p_offset = 16, p[0].p_filesz = ~ElfW(Xword){0}; },
                  "its segment 0"}};
    for (const auto& c : cases) {
        QByteArray image = whole;
        if (c.patch)
            c.patch(*reinterpret_cast<ElfW(Ehdr)*>(image.data()),
                    reinterpret_cast<ElfW(Phdr)*>(image.data() + header.e_phoff));
        image.truncate(c.kept);
        const UniqueFd fd(::memfd_create("module.so", MFD_CLOEXEC));
        ASSERT_EQ(::write(fd.get(), image.constData(), image.size()), image.size()) << c.what;
        const QString checked = CheckSharedObjectFile(fd.get(), "/lib/module.so").message();
        EXPECT_TRUE(c.says ? checked.startsWith("/lib/module.so: is no usable shared library: ") &&
                                 checked.contains(c.says)
                           : checked.isEmpty())
            << c.what << ": expected " << (c.says ? c.says : "none") << ", actual "
            << checked.toStdString();
    }
}

}  // namespace
