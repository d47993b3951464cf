#include "settings/Substitution.h"

QByteArray SubstituteSequentially(QByteArray text, const std::vector<Substitution>& substitutions) {
    for (const Substitution& substitution : substitutions) {
        // QByteArray::replace with an empty needle would insert the value between every byte.
        if (!substitution.id.isEmpty()) {
            text.replace(substitution.id, substitution.value);
        }
    }
    return text;
}

QByteArray SubstituteSequentially(QByteArray text, const std::vector<Substitution>& substitutions,
                                  std::vector<ByteRange>* secrets) {
    std::vector<qint64> starts;
    std::vector<ByteRange> moved;
    QByteArray replaced;
    for (const Substitution& substitution : substitutions) {
        const QByteArrayView id = substitution.id;
        if (id.isEmpty()) {
            continue;
        }
        // The occurrences as QByteArray::replace finds them: left to right, apart.
        starts.clear();
        for (qsizetype at = text.indexOf(id); at >= 0; at = text.indexOf(id, at + id.size())) {
            starts.push_back(at);
        }
        if (starts.empty()) {
            continue;
        }
        MoveSecretRanges(*secrets, starts, id.size(), substitution.value.size(),
                         substitution.secret, &moved);
        std::swap(*secrets, moved);
        replaced.clear();
        replaced.reserve(text.size() +
                         qsizetype(starts.size()) * (substitution.value.size() - id.size()));
        qsizetype copied = 0;
        for (const qint64 start : starts) {
            replaced.append(text.constData() + copied, qsizetype(start) - copied);
            replaced.append(substitution.value);
            copied = qsizetype(start) + id.size();
        }
        replaced.append(text.constData() + copied, text.size() - copied);
        std::swap(text, replaced);
    }
    return text;
}

void MoveSecretRanges(const std::vector<ByteRange>& before, const std::vector<qint64>& starts,
                      qint64 idLength, qint64 valueLength, bool secretValue,
                      std::vector<ByteRange>* after) {
    after->clear();
    std::size_t next = 0;
    ByteRange current;     // the range looked at, from where no occurrence has taken it yet
    bool holding = false;  // whether `current` is one
    qint64 shift = 0;      // how far the text after the last occurrence has moved
    const auto take = [&] {
        if (!holding && next < before.size()) {
            current = before[next++];
            holding = true;
        }
        return holding;
    };
    const auto keep = [&](qint64 begin, qint64 end) {
        AppendRange(*after, {begin + shift, end + shift});
    };
    for (const qint64 start : starts) {
        const qint64 end = start + idLength;
        bool touched = false;
        while (take()) {
            if (current.end <= start) {  // before the occurrence; an empty one at its start too
                keep(current.begin, current.end);
                holding = false;
                continue;
            }
            if (current.begin >= end) {  // after it; an empty one at its end too
                break;
            }
            // Bytes of the occurrence, or an empty one strictly inside it.
            touched = true;
            if (current.begin < start) {
                keep(current.begin, start);
            }
            if (current.end > end) {
                current.begin = end;  // the rest comes after the replacement
                break;
            }
            holding = false;
        }
        if (secretValue || touched) {
            keep(start, start + valueLength);
        }
        shift += valueLength - idLength;
    }
    while (take()) {
        keep(current.begin, current.end);
        holding = false;
    }
}
