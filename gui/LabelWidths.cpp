#include "gui/LabelWidths.h"

#include <cmath>

LabelWidths::LabelWidths(const QFont& font) : mMetrics(font) {
    mAdvances.fill(-1);
}

int LabelWidths::Width(QStringView text) {
    qreal width = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= kSimpleEnd) {
            width = mMetrics.horizontalAdvance(text.toString());
            break;
        }
        qreal& advance = mAdvances[code];
        if (advance < 0) {
            advance = mMetrics.horizontalAdvance(c);
        }
        width += advance;
    }
    return static_cast<int>(std::ceil(width));
}
