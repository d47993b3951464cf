#pragma once

#include "settings/SecretRanges.h"

#include <string>
#include <vector>

// "[3,9) [12,12)": ranges as a test prints them.
inline std::string Shown(const std::vector<ByteRange>& ranges) {
    std::string shown;
    for (const ByteRange& range : ranges) {
        shown += (shown.empty() ? "[" : " [") + std::to_string(range.begin) + ',' +
                 std::to_string(range.end) + ')';
    }
    return shown;
}
