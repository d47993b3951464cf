#include "run/LineDiff.h"

#include <QByteArrayView>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr qsizetype kContext = 3;
// The search keeps one row of its state per differing line, each as long as that number: this
// bounds it to about 16 MB.
constexpr int kMaxEdits = 2000;
// Steps along matching lines, which cost nothing in memory but take time.
constexpr qint64 kMaxSteps = qint64(1) << 26;

enum class Op : char { Same, Remove, Add };

std::vector<QByteArrayView> SplitLines(const QByteArray& bytes) {
    std::vector<QByteArrayView> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        lines.emplace_back(bytes.constData() + start, end - start);
        start = end;
    }
    return lines;
}

// Myers' greedy search on a[0, n) and b[0, m), lines numbered so that equal lines have equal
// numbers. Appends the edit script to `ops`; false, with nothing appended, past the bounds.
bool ShortestEdit(const int* a, int n, const int* b, int m, std::vector<Op>* ops) {
    const int limit = std::min(n + m, kMaxEdits);
    // v[offset + k]: the furthest x reached on diagonal k = x - y.
    const int offset = limit + 1;
    std::vector<int> v(2 * std::size_t(limit) + 3, 0);
    std::vector<std::vector<int>> trace;  // v[k - 1 .. k + 1] for k in [-d, d], before step d
    qint64 steps = 0;
    int found = -1;
    for (int d = 0; d <= limit && found < 0; ++d) {
        trace.emplace_back(v.begin() + offset - d - 1, v.begin() + offset + d + 2);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                        ? v[offset + k + 1]
                        : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y]) {
                ++x;
                ++y;
            }
            steps += 1 + x - v[offset + k];
            v[offset + k] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        if (steps > kMaxSteps) {
            return false;
        }
    }
    if (found < 0) {
        return false;
    }
    // Back from the end: each step of d came from diagonal k + 1 (an added line) or k - 1 (a
    // removed one), after which equal lines followed.
    std::vector<Op> script;
    int x = n;
    int y = m;
    for (int d = found; d >= 0; --d) {
        const std::vector<int>& row = trace[std::size_t(d)];
        const auto at = [&](int k) { return row[std::size_t(k + d + 1)]; };
        const int k = x - y;
        const int previousK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int previousX = d == 0 ? 0 : at(previousK);
        const int previousY = d == 0 ? 0 : previousX - previousK;
        for (; x > previousX && y > previousY; --x, --y) {
            script.push_back(Op::Same);
        }
        if (d > 0) {
            script.push_back(x == previousX ? Op::Add : Op::Remove);
        }
        x = previousX;
        y = previousY;
    }
    ops->insert(ops->end(), script.rbegin(), script.rend());
    return true;
}

// "<start>,<count>" as diff writes it: an empty range starts at the line before it.
QByteArray Range(qsizetype before, qsizetype count) {
    QByteArray range = QByteArray::number(count == 0 ? before : before + 1);
    return count == 1 ? range : range + ',' + QByteArray::number(count);
}

void AppendLine(QByteArray* out, char mark, QByteArrayView line) {
    out->append(mark);
    out->append(line);
    if (!line.endsWith('\n')) {
        out->append("\n\\ No newline at end of file\n");
    }
}

}  // namespace

QByteArray UnifiedDiff(const QByteArray& before, const QByteArray& after, const QByteArray& oldName,
                       const QByteArray& newName) {
    if (before == after) {
        return QByteArray();
    }
    const std::vector<QByteArrayView> a = SplitLines(before);
    const std::vector<QByteArrayView> b = SplitLines(after);
    qsizetype prefix = 0;
    while (prefix < qsizetype(a.size()) && prefix < qsizetype(b.size()) && a[prefix] == b[prefix]) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < qsizetype(a.size()) - prefix && suffix < qsizetype(b.size()) - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
        ++suffix;
    }
    const int n = int(a.size() - prefix - suffix);
    const int m = int(b.size() - prefix - suffix);

    std::vector<Op> ops(std::size_t(prefix), Op::Same);
    std::unordered_map<std::string_view, int> numbers;
    const auto number = [&](QByteArrayView line) {
        return numbers.emplace(std::string_view(line.data(), line.size()), int(numbers.size()))
            .first->second;
    };
    std::vector<int> na;
    std::vector<int> nb;
    if (n > 0 && m > 0) {
        for (int i = 0; i < n; ++i) {
            na.push_back(number(a[prefix + i]));
        }
        for (int j = 0; j < m; ++j) {
            nb.push_back(number(b[prefix + j]));
        }
    }
    if (n == 0 || m == 0 || !ShortestEdit(na.data(), n, nb.data(), m, &ops)) {
        ops.insert(ops.end(), std::size_t(n), Op::Remove);
        ops.insert(ops.end(), std::size_t(m), Op::Add);
    }
    ops.insert(ops.end(), std::size_t(suffix), Op::Same);

    QByteArray out = "--- " + oldName + "\n+++ " + newName + '\n';
    const qsizetype total = qsizetype(ops.size());
    qsizetype t = 0;  // the next op to look at
    qsizetype i = 0;  // old lines before op t
    qsizetype j = 0;  // new lines before op t
    while (t < total) {
        // The next change, with the context before it, and every change that follows within
        // twice the context.
        while (t < total && ops[t] == Op::Same) {
            ++t, ++i, ++j;
        }
        if (t == total) {
            break;
        }
        const qsizetype lead = std::min(kContext, std::min(i, j));
        qsizetype end = t;
        for (qsizetype same = 0; end < total && same <= 2 * kContext; ++end) {
            same = ops[end] == Op::Same ? same + 1 : 0;
        }
        while (end > t && ops[end - 1] == Op::Same) {
            --end;
        }
        end = std::min(total, end + kContext);
        const qsizetype start = t - lead;
        qsizetype oldCount = 0;
        qsizetype newCount = 0;
        for (qsizetype u = start; u < end; ++u) {
            oldCount += ops[u] != Op::Add;
            newCount += ops[u] != Op::Remove;
        }
        out += "@@ -" + Range(i - lead, oldCount) + " +" + Range(j - lead, newCount) + " @@\n";
        qsizetype oi = i - lead;
        qsizetype nj = j - lead;
        for (qsizetype u = start; u < end;) {
            if (ops[u] == Op::Same) {
                AppendLine(&out, ' ', a[oi]);
                ++u, ++oi, ++nj;
                continue;
            }
            // A run of changes: its removed lines first, then its added ones.
            qsizetype runEnd = u;
            while (runEnd < end && ops[runEnd] != Op::Same) {
                ++runEnd;
            }
            for (qsizetype w = u; w < runEnd; ++w) {
                if (ops[w] == Op::Remove) {
                    AppendLine(&out, '-', a[oi++]);
                }
            }
            for (qsizetype w = u; w < runEnd; ++w) {
                if (ops[w] == Op::Add) {
                    AppendLine(&out, '+', b[nj++]);
                }
            }
            u = runEnd;
        }
        t = end;
        i = oi;
        j = nj;
    }
    return out;
}
