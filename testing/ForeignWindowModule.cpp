// Window modules that are not the program's own, for the tests of its loading: built as one with
// an entry function of another build (TERVO_FOREIGN_BUILD defined) and as one without any. When
// loaded, each creates the file TERVO_TEST_LOADED_MARK names, so a test sees whether its code ran.
#include "gui/WindowModule.h"

#include <cstdio>
#include <cstdlib>

namespace {

const bool kMarked = [] {
    if (const char* mark = std::getenv("TERVO_TEST_LOADED_MARK")) {
        if (std::FILE* file = std::fopen(mark, "w")) {
            std::fclose(file);
        }
    }
    return true;
}();

}  // namespace

#ifdef TERVO_FOREIGN_BUILD
extern "C" const WindowModuleEntry* TervoSetupWindowModuleEntry() {
    static const WindowModuleEntry entry{TERVO_FOREIGN_BUILD, nullptr};
    return &entry;
}
#endif
