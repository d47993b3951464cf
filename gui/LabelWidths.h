#pragma once

#include <QFontMetricsF>
#include <QString>

#include <array>

// The widths of many short texts in one font, fast enough for the labels of thousands of
// variables: a text of characters below U+0300 (Latin, with no combining marks) is as wide as the
// sum of its characters' advances, each character measured once; any other text is measured
// whole. The sum leaves kerning out, which changes a label's width by a pixel or two: a caller
// that must fit a text leaves that much room.
class LabelWidths {
  public:
    explicit LabelWidths(const QFont& font);

    // The width of `text` in pixels, rounded up.
    int Width(QStringView text);

  private:
    static constexpr char16_t kSimpleEnd = 0x300;

    QFontMetricsF mMetrics;
    // By character, -1 until measured. Fractions of a pixel add up over a long text.
    std::array<qreal, kSimpleEnd> mAdvances;
};
