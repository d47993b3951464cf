#include "session/LineDiff.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QHashFunctions>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr qsizetype kContext = 3;
// The search keeps one row of its state per differing line, each as long as that number: this
// bounds it to about 16 MB.
constexpr int kMaxEdits = 2000;
// Steps along matching lines, which cost nothing in memory but take time.
constexpr qint64 kMaxSteps = qint64(1) << 26;
// The lines between the first and the last change that the search may index, on each side:
// 16 bytes each, at most 64 MB.
constexpr qsizetype kMaxSearchedLines = qsizetype(1) << 22;

enum class Op : char { Same, Remove, Add };

// `count` lines of one kind in a row.
struct Run {
    Op op;
    qsizetype count;
};

// The number of lines in [from, to) of `bytes`: a last line needs no "\n".
qsizetype CountLines(const QByteArray& bytes, qsizetype from, qsizetype to) {
    const qsizetype newlines = std::count(bytes.begin() + from, bytes.begin() + to, '\n');
    return newlines + (to > from && bytes[to - 1] != '\n');
}

// The number of leading bytes that `a` and `b` have in common, compared a block at a time.
qsizetype CommonPrefix(const char* a, const char* b, qsizetype size) {
    constexpr qsizetype kBlock = 4096;
    qsizetype at = 0;
    while (size - at >= kBlock && std::memcmp(a + at, b + at, kBlock) == 0) {
        at += kBlock;
    }
    while (at < size && a[at] == b[at]) {
        ++at;
    }
    return at;
}

// The number of trailing bytes of a[0, aSize) and b[0, bSize) that they have in common, at most
// `limit`.
qsizetype CommonSuffix(const char* a, qsizetype aSize, const char* b, qsizetype bSize,
                       qsizetype limit) {
    constexpr qsizetype kBlock = 4096;
    qsizetype length = 0;
    while (limit - length >= kBlock &&
           std::memcmp(a + aSize - length - kBlock, b + bSize - length - kBlock, kBlock) == 0) {
        length += kBlock;
    }
    while (length < limit && a[aSize - length - 1] == b[bSize - length - 1]) {
        ++length;
    }
    return length;
}

// The lines of bytes[from, to), found once: where each starts, and a hash to tell most unequal
// lines apart without looking at their bytes.
class IndexedLines {
  public:
    IndexedLines(const QByteArray& bytes, qsizetype from, qsizetype to, qsizetype count)
        : mBytes(bytes) {
        mStarts.reserve(std::size_t(count) + 1);
        mHashes.reserve(std::size_t(count));
        for (qsizetype start = from; start < to;) {
            const qsizetype newline = bytes.indexOf('\n', start);
            const qsizetype end = newline < 0 || newline >= to ? to : newline + 1;
            mStarts.push_back(start);
            mHashes.push_back(qHash(QByteArrayView(bytes.constData() + start, end - start)));
            start = end;
        }
        mStarts.push_back(to);
    }

    bool Equal(qsizetype i, const IndexedLines& other, qsizetype j) const {
        return mHashes[std::size_t(i)] == other.mHashes[std::size_t(j)] && Line(i) == other.Line(j);
    }

  private:
    QByteArrayView Line(qsizetype i) const {
        const std::size_t at = std::size_t(i);
        return QByteArrayView(mBytes.constData() + mStarts[at], mStarts[at + 1] - mStarts[at]);
    }

    const QByteArray& mBytes;
    std::vector<qsizetype> mStarts;
    std::vector<std::size_t> mHashes;
};

// Myers' greedy search on the n lines of `a` and the m lines of `b`. Appends the edit script to
// `ops`; false, with nothing appended, past the bounds.
bool ShortestEdit(const IndexedLines& a, int n, const IndexedLines& b, int m,
                  std::vector<Op>* ops) {
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
            while (x < n && y < m && a.Equal(x, b, y)) {
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

// The edit script from `before` to `after` as runs of one kind of line. The lines that both
// start and end with are found by comparing bytes; only those between are searched.
std::vector<Run> EditRuns(const QByteArray& before, const QByteArray& after) {
    const qsizetype shorter = std::min(before.size(), after.size());
    // The common first lines end at the last line break before the first difference.
    const qsizetype same = CommonPrefix(before.constData(), after.constData(), shorter);
    const qsizetype head = same == 0 ? 0 : before.lastIndexOf('\n', same - 1) + 1;
    // The common last lines start at a line start in both versions.
    qsizetype tail = CommonSuffix(before.constData(), before.size(), after.constData(),
                                  after.size(), shorter - head);
    qsizetype beforeTail = before.size() - tail;
    qsizetype afterTail = after.size() - tail;
    const bool lineStart = (beforeTail == head || before[beforeTail - 1] == '\n') &&
                           (afterTail == head || after[afterTail - 1] == '\n');
    if (!lineStart) {
        const qsizetype newline = before.indexOf('\n', beforeTail);
        const qsizetype skipped = (newline < 0 ? before.size() : newline + 1) - beforeTail;
        beforeTail += skipped;
        afterTail += skipped;
    }

    std::vector<Run> runs;
    const auto add = [&runs](Op op, qsizetype count) {
        if (count == 0) {
            return;
        }
        if (!runs.empty() && runs.back().op == op) {
            runs.back().count += count;
        } else {
            runs.push_back({op, count});
        }
    };
    add(Op::Same, CountLines(before, 0, head));
    const qsizetype n = CountLines(before, head, beforeTail);
    const qsizetype m = CountLines(after, head, afterTail);
    std::vector<Op> ops;
    if (n > 0 && m > 0 && n <= kMaxSearchedLines && m <= kMaxSearchedLines) {
        const IndexedLines a(before, head, beforeTail, n);
        const IndexedLines b(after, head, afterTail, m);
        if (!ShortestEdit(a, int(n), b, int(m), &ops)) {
            ops.clear();
        }
    }
    if (ops.empty()) {
        add(Op::Remove, n);
        add(Op::Add, m);
    }
    for (const Op op : ops) {
        add(op, 1);
    }
    add(Op::Same, CountLines(before, beforeTail, before.size()));
    return runs;
}

// The lines of a file, one after the other from its first.
class LineCursor {
  public:
    explicit LineCursor(const QByteArray& bytes) : mBytes(bytes) {}

    QByteArrayView Next() {
        const qsizetype newline = mBytes.indexOf('\n', mAt);
        const qsizetype end = newline < 0 ? mBytes.size() : newline + 1;
        const QByteArrayView line(mBytes.constData() + mAt, end - mAt);
        mAt = end;
        return line;
    }
    // Where the next line starts.
    qsizetype At() const { return mAt; }
    void Skip(qsizetype lines) {
        for (; lines > 0; --lines) {
            Next();
        }
    }

  private:
    const QByteArray& mBytes;
    qsizetype mAt = 0;
};

// The changes of `runs` as a mask is told them: each run of lines that differ, as byte ranges.
std::vector<DiffMask::Change> ChangesOf(const std::vector<Run>& runs, const QByteArray& before,
                                        const QByteArray& after) {
    LineCursor a(before);
    LineCursor b(after);
    std::vector<DiffMask::Change> changes;
    for (std::size_t r = 0; r < runs.size();) {
        if (runs[r].op == Op::Same) {
            a.Skip(runs[r].count);
            b.Skip(runs[r++].count);
            continue;
        }
        DiffMask::Change change{{a.At(), a.At()}, {b.At(), b.At()}};
        for (; r < runs.size() && runs[r].op != Op::Same; ++r) {
            (runs[r].op == Op::Remove ? a : b).Skip(runs[r].count);
        }
        change.before.end = a.At();
        change.after.end = b.At();
        changes.push_back(change);
    }
    return changes;
}

// The ranges of one version that a mask hides, looked up line by line from the first.
class HiddenRanges {
  public:
    explicit HiddenRanges(const std::vector<ByteRange>& ranges) : mRanges(ranges) {}

    // Appends the parts of the ranges that hold bytes of [begin, end), relative to `begin`.
    // REQUIRES: `begin` is not before that of the last call.
    void In(qint64 begin, qint64 end, std::vector<ByteRange>* hidden) {
        while (mNext < mRanges.size() && mRanges[mNext].end <= begin) {
            ++mNext;
        }
        for (std::size_t i = mNext; i < mRanges.size() && mRanges[i].begin < end; ++i) {
            if (!mRanges[i].Empty()) {
                hidden->push_back({std::max(mRanges[i].begin, begin) - begin,
                                   std::min(mRanges[i].end, end) - begin});
            }
        }
    }

  private:
    const std::vector<ByteRange>& mRanges;
    std::size_t mNext = 0;
};

// What a mask hides, line by line: each call gives the ranges of one line, relative to its start,
// sorted and apart.
class LineHiding {
  public:
    explicit LineHiding(const DiffMask& mask)
        : mBefore(mask.HiddenBefore()),
          mAfter(mask.HiddenAfter()),
          mWithheld(mask.WithheldBefore()) {}

    const std::vector<ByteRange>& Removed(qsizetype at, qsizetype size) {
        mLine.clear();
        mBefore.In(at, at + size, &mLine);
        return mLine;
    }
    // Whether the removed line that starts at `at` is held back whole.
    // REQUIRES: `at` is not before that of the last call.
    bool Withheld(qsizetype at) {
        while (mNextWithheld < mWithheld.size() && mWithheld[mNextWithheld] < at) {
            ++mNextWithheld;
        }
        return mNextWithheld < mWithheld.size() && mWithheld[mNextWithheld] == at;
    }
    const std::vector<ByteRange>& Added(qsizetype at, qsizetype size) {
        mLine.clear();
        mAfter.In(at, at + size, &mLine);
        return mLine;
    }
    // A line of context: the old line at `oldAt`, which is the new one at `newAt`.
    const std::vector<ByteRange>& Context(qsizetype oldAt, qsizetype newAt, qsizetype size) {
        mBoth.clear();
        mBefore.In(oldAt, oldAt + size, &mBoth);
        mAfter.In(newAt, newAt + size, &mBoth);
        std::sort(mBoth.begin(), mBoth.end(),
                  [](const ByteRange& x, const ByteRange& y) { return x.begin < y.begin; });
        mLine.clear();
        for (const ByteRange& range : mBoth) {
            AppendRange(mLine, range);
        }
        return mLine;
    }

  private:
    HiddenRanges mBefore;
    HiddenRanges mAfter;
    const std::vector<qint64>& mWithheld;
    std::size_t mNextWithheld = 0;
    std::vector<ByteRange> mLine;
    std::vector<ByteRange> mBoth;
};

// Gathers the diff and hands it on in pieces of about 64 KiB.
class DiffWriter {
  public:
    // `placeholder` stands for each hidden range; a line that still holds any of `secrets` is
    // held back whole.
    DiffWriter(ByteSink& out, QByteArray placeholder, const SecretSet* secrets)
        : mOut(out), mPlaceholder(std::move(placeholder)), mSecrets(secrets) {}
    ~DiffWriter() { Flush(); }
    DiffWriter(const DiffWriter&) = delete;
    DiffWriter& operator=(const DiffWriter&) = delete;

    void Add(QByteArrayView bytes) {
        mBuffer.append(bytes);
        if (mBuffer.size() >= kPieceBytes) {
            Flush();
        }
    }
    // The line with each of `hidden` (relative to its start, sorted and apart) replaced by the
    // placeholder, or, `withheld` or holding a secret even so, WithheldLine(); its line break
    // stays.
    void AddLine(char mark, QByteArrayView line, const std::vector<ByteRange>& hidden = {},
                 bool withheld = false) {
        const qsizetype content = line.endsWith('\n') ? line.size() - 1 : line.size();
        mLine.clear();
        qsizetype at = 0;
        for (const ByteRange& range : hidden) {
            const qsizetype begin = std::max<qsizetype>(at, std::min<qint64>(range.begin, content));
            mLine.append(line.sliced(at, begin - at));
            mLine.append(mPlaceholder);
            mMasked = true;
            at = std::max<qsizetype>(begin, std::min<qint64>(range.end, content));
        }
        mLine.append(line.sliced(at, content - at));
        if (withheld || (mSecrets && mSecrets->HeldIn(QByteArrayView(mLine)))) {
            mLine = WithheldLine();
            mMasked = true;
        }
        mBuffer.append(mark);
        Add(mLine);
        Add(line.endsWith('\n') ? "\n" : "\n\\ No newline at end of file\n");
    }
    // Whether a range was hidden.
    bool HidAny() const { return mMasked; }

  private:
    static constexpr qsizetype kPieceBytes = 64 * 1024;

    void Flush() {
        if (!mBuffer.isEmpty()) {
            mOut.Append(mBuffer.constData(), std::size_t(mBuffer.size()));
            mBuffer.clear();
        }
    }

    ByteSink& mOut;
    QByteArray mPlaceholder;
    const SecretSet* mSecrets;
    QByteArray mLine;  // the line being shown
    QByteArray mBuffer;
    bool mMasked = false;
};

// "<start>,<count>" as diff writes it: an empty range starts at the line before it.
QByteArray Range(qsizetype before, qsizetype count) {
    QByteArray range = QByteArray::number(count == 0 ? before : before + 1);
    return count == 1 ? range : range + ',' + QByteArray::number(count);
}

// The hunks of `runs`, with kContext lines of context; changes with at most twice that many
// equal lines between them share a hunk. `hiding`, when given, says what each line hides.
void WriteHunks(std::vector<Run> runs, const QByteArray& before, const QByteArray& after,
                DiffWriter& out, LineHiding* hiding) {
    static const std::vector<ByteRange> kNothing;
    LineCursor a(before);
    LineCursor b(after);
    qsizetype oldAt = 0;  // the lines of each version before run r, which the cursors are at
    qsizetype newAt = 0;
    for (std::size_t r = 0; r < runs.size();) {
        qsizetype lead = 0;
        if (runs[r].op == Op::Same) {
            if (r + 1 == runs.size()) {
                break;
            }
            lead = std::min(kContext, runs[r].count);
            const qsizetype skipped = runs[r].count - lead;
            a.Skip(skipped);
            b.Skip(skipped);
            oldAt += skipped;
            newAt += skipped;
            ++r;
        }
        // The hunk holds the runs [r, end) and `trail` lines of runs[end].
        std::size_t end = r;
        for (;;) {
            while (end < runs.size() && runs[end].op != Op::Same) {
                ++end;
            }
            if (end + 1 < runs.size() && runs[end].count <= 2 * kContext) {
                ++end;
                continue;
            }
            break;
        }
        const qsizetype trail = end < runs.size() ? std::min(kContext, runs[end].count) : 0;
        qsizetype oldCount = lead + trail;
        qsizetype newCount = lead + trail;
        for (std::size_t k = r; k < end; ++k) {
            oldCount += runs[k].op != Op::Add ? runs[k].count : 0;
            newCount += runs[k].op != Op::Remove ? runs[k].count : 0;
        }
        out.Add("@@ -" + Range(oldAt, oldCount) + " +" + Range(newAt, newCount) + " @@\n");
        const auto same = [&](qsizetype lines) {
            for (; lines > 0; --lines) {
                const qsizetype oldAt = a.At();
                const qsizetype newAt = b.At();
                const QByteArrayView line = a.Next();
                b.Next();
                out.AddLine(' ', line,
                            hiding ? hiding->Context(oldAt, newAt, line.size()) : kNothing);
            }
        };
        same(lead);
        for (std::size_t k = r; k < end;) {
            if (runs[k].op == Op::Same) {
                same(runs[k++].count);
                continue;
            }
            // A block of changes: its removed lines first, then its added ones.
            qsizetype removed = 0;
            qsizetype added = 0;
            for (; k < end && runs[k].op != Op::Same; ++k) {
                (runs[k].op == Op::Remove ? removed : added) += runs[k].count;
            }
            for (; removed > 0; --removed) {
                const qsizetype at = a.At();
                const QByteArrayView line = a.Next();
                out.AddLine('-', line, hiding ? hiding->Removed(at, line.size()) : kNothing,
                            hiding && hiding->Withheld(at));
            }
            for (; added > 0; --added) {
                const qsizetype at = b.At();
                const QByteArrayView line = b.Next();
                out.AddLine('+', line, hiding ? hiding->Added(at, line.size()) : kNothing);
            }
        }
        same(trail);
        oldAt += oldCount;
        newAt += newCount;
        if (end < runs.size()) {
            runs[end].count -= trail;
        }
        r = end;
    }
}

bool NeedsQuotes(const QByteArray& name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\';
    });
}

}  // namespace

QByteArray WithheldLine() {
    return "******** " +
           QCoreApplication::translate("LineDiff", "(held back: it may hold a password)").toUtf8();
}

QByteArray GitQuoted(const QByteArray& name) {
    if (!NeedsQuotes(name)) {
        return name;
    }
    QByteArray quoted = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const char* const named = "\a\b\t\n\v\f\r";
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte != 0 && std::strchr(named, c) != nullptr) {
            quoted += '\\';
            quoted += "abtnvfr"[std::strchr(named, c) - named];
        } else if (byte < 0x20 || byte >= 0x7f) {
            quoted += '\\';
            quoted += char('0' + (byte >> 6));
            quoted += char('0' + ((byte >> 3) & 7));
            quoted += char('0' + (byte & 7));
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

DiffWritten WriteFileDiff(const QByteArray& name, const QByteArray* before, const QByteArray& after,
                          ByteSink& out, DiffMask* mask, const SecretSet* secrets) {
    if (before != nullptr && *before == after) {
        return DiffWritten::Nothing;
    }
    static const QByteArray kNothing;
    const QByteArray& old = before ? *before : kNothing;
    const bool createdEmpty = before == nullptr && after.isEmpty();
    std::vector<Run> runs;
    if (!createdEmpty) {
        runs = EditRuns(old, after);
    }
    std::optional<LineHiding> hiding;
    if (mask != nullptr) {
        if (!mask->Prepare(old, after, ChangesOf(runs, old, after))) {
            return DiffWritten::Refused;
        }
        hiding.emplace(*mask);
    }
    if (secrets != nullptr && secrets->IsEmpty()) {
        secrets = nullptr;
    }
    DiffWriter writer(out, mask != nullptr ? mask->Placeholder() : QByteArray(), secrets);
    // A name with a blank is quoted in the first line, where patch reads both names when no "---"
    // and "+++" lines follow, and in those lines too when the blank ends it.
    const auto quoted = [&name](const char* side, bool blank) {
        const QByteArray sided = side + name;
        return blank && !NeedsQuotes(sided) ? '"' + sided + '"' : GitQuoted(sided);
    };
    writer.Add("diff --git " + quoted("a/", name.contains(' ')) + ' ' +
               quoted("b/", name.contains(' ')) + '\n');
    if (createdEmpty) {
        writer.Add("new file mode 100644\n");
        return DiffWritten::Plain;
    }
    const QByteArray tab = name.contains(' ') ? "\t" : "";
    const bool blankAtEnd = name.endsWith(' ');
    writer.Add("--- " + (before ? quoted("a/", blankAtEnd) : QByteArray("/dev/null")) + tab + '\n');
    writer.Add("+++ " + quoted("b/", blankAtEnd) + tab + '\n');
    WriteHunks(std::move(runs), old, after, writer, hiding ? &*hiding : nullptr);
    return writer.HidAny() ? DiffWritten::Masked : DiffWritten::Plain;
}
