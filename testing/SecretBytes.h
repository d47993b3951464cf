#pragma once

#include "settings/SecretRanges.h"
#include "settings/Substitution.h"

#include <QByteArray>

#include <string>
#include <vector>

// The passes of SubstituteSequentially over a text whose every byte knows whether it is secret,
// with a mark for the place of each empty secret: the plainest statement of where secrets go, to
// hold the engine and the range-moving passes to. In each pass an occurrence becomes its value,
// whose bytes are secret when the substitution is, or when the occurrence took in a secret byte
// or a mark; a mark at either end of an occurrence stays outside it. The result's secrets come
// back as ranges, sorted and apart.
inline QByteArray SubstituteByteByByte(const QByteArray& text,
                                       const std::vector<Substitution>& substitutions,
                                       std::vector<ByteRange>* secrets) {
    struct Cell {
        char byte;
        bool secret;
        bool mark;  // an empty secret: no byte
    };
    std::vector<Cell> cells;
    for (const char byte : text)
        cells.push_back({byte, false, false});
    for (const Substitution& substitution : substitutions) {
        if (substitution.id.isEmpty())
            continue;
        std::string bytes;
        std::vector<std::size_t> cellOf;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (!cells[i].mark) {
                bytes += cells[i].byte;
                cellOf.push_back(i);
            }
        }
        const std::string id = substitution.id.toStdString();
        std::vector<Cell> next;
        std::size_t copied = 0;  // cells before this are in `next`
        for (std::size_t at = bytes.find(id); at != std::string::npos;
             at = bytes.find(id, at + id.size())) {
            const std::size_t first = cellOf[at];
            const std::size_t last = cellOf[at + id.size() - 1];
            next.insert(next.end(), cells.begin() + qsizetype(copied),
                        cells.begin() + qsizetype(first));
            bool secret = substitution.secret;
            for (std::size_t i = first; i <= last; ++i)
                secret = secret || cells[i].secret || cells[i].mark;
            for (const char byte : substitution.value)
                next.push_back({byte, secret, false});
            if (substitution.value.isEmpty() && secret)
                next.push_back({'\0', true, true});
            copied = last + 1;
        }
        next.insert(next.end(), cells.begin() + qsizetype(copied), cells.end());
        cells = std::move(next);
    }
    QByteArray result;
    secrets->clear();
    for (const Cell& cell : cells) {
        const qint64 at = result.size();
        if (cell.mark) {
            AppendRange(*secrets, {at, at});
            continue;
        }
        if (cell.secret)
            AppendRange(*secrets, {at, at + 1});
        result += cell.byte;
    }
    return result;
}

// "[3,9) [12,12)": ranges as a test prints them.
inline std::string Shown(const std::vector<ByteRange>& ranges) {
    std::string shown;
    for (const ByteRange& range : ranges) {
        shown += (shown.empty() ? "[" : " [") + std::to_string(range.begin) + ',' +
                 std::to_string(range.end) + ')';
    }
    return shown;
}
