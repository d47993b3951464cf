#include "platform/TextArena.h"

#include <gtest/gtest.h>

#include <QString>

#include <utility>
#include <vector>

namespace {

// Texts short and long, empty and not, ASCII and not, added in turns until many blocks are
// filled: each view still reads its own text once all are in and once the arena has moved.
TEST(TextArenaTest, KeepsEveryTextWhereItsViewPointsThroughManyBlocks) {
    TextArena arena;
    std::vector<std::pair<QString, QStringView>> kept;
    const QString longText(5000, QLatin1Char('x'));  // longer than a quarter of a block
    for (int n = 0; n < 3000; ++n) {
        QString text;
        switch (n % 5) {
            case 0:
                text = QStringLiteral("$(V%1)").arg(n);
                break;
            case 1:
                text = QStringLiteral("Größe %1 \u20ac").arg(n);
                break;
            case 2:
                break;  // empty
            case 3:
                text = longText.left(n);
                break;
            case 4:
                text = longText + QString::number(n);
                break;
        }
        const bool ascii = n % 5 != 1;
        kept.emplace_back(text,
                          ascii && n % 2 == 0 ? arena.AddAscii(text.toLatin1()) : arena.Add(text));
    }
    const TextArena moved = std::move(arena);
    for (const auto& [text, view] : kept) {
        ASSERT_EQ(view, text);
    }
}

}  // namespace
