#include "session/OutputDiffMask.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// A text with the places of passwords in it, as the literals around them: a password's place
// lies between each two, and the first and the last may be empty. It matches a text that holds
// the literals in this order, the first at its start and the last at its end, whatever stands
// between them.
struct Pattern {
    std::vector<std::string_view> literals;
    qint64 lineStart = 0;  // of the new line it was made of

    bool HasPlaces() const { return literals.size() > 1; }
    // Whether it holds more than passwords and blanks: a line of blanks around a password matches
    // nearly anything.
    bool Telling() const {
        return std::any_of(literals.begin(), literals.end(), [](std::string_view literal) {
            return std::any_of(literal.begin(), literal.end(), [](char c) {
                return c != ' ' && c != '\t' && c != '\r' && c != '\n';
            });
        });
    }
    std::string Key() const {
        std::string key;
        for (const std::string_view literal : literals) {
            key += std::to_string(literal.size()) + ':';
            key += literal;
        }
        return key;
    }
};

std::string_view View(const QByteArray& bytes, qint64 begin, qint64 end) {
    return std::string_view(bytes.constData() + begin, std::size_t(end - begin));
}

// The pattern of text[from, to) whose places are where `secrets` (sorted and apart) hold bytes
// of it, and where an empty one stands in [from, to), or at `to` when `endsThere`.
Pattern PatternOf(const QByteArray& text, qint64 from, qint64 to,
                  const std::vector<ByteRange>& secrets, bool endsThere) {
    Pattern pattern;
    pattern.lineStart = from;
    qint64 at = from;
    auto secret =
        std::lower_bound(secrets.begin(), secrets.end(), from,
                         [](const ByteRange& r, qint64 position) { return r.end < position; });
    for (; secret != secrets.end(); ++secret) {
        const bool place = secret->Empty()
                               ? secret->begin < to || (secret->begin == to && endsThere)
                               : secret->begin < to && secret->end > from;
        if (!place) {
            if (secret->begin >= to) {
                break;
            }
            continue;
        }
        const qint64 begin = std::max(secret->begin, from);
        pattern.literals.push_back(View(text, at, begin));
        at = std::min(secret->end, to);
    }
    pattern.literals.push_back(View(text, at, to));
    return pattern;
}

// Counts the bytes that matching looks at, up to a bound.
class Budget {
  public:
    explicit Budget(qint64 bytes) : mLeft(bytes) {}
    void Spend(qint64 bytes) { mLeft -= bytes; }
    bool Spent() const { return mLeft < 0; }

  private:
    qint64 mLeft;
};

// Patterns by the literal a line must start with, or else end with, so that a line is matched
// against the few that may fit it, not against all.
class PatternIndex {
  public:
    // REQUIRES: `patterns` outlive the index unchanged.
    explicit PatternIndex(const std::vector<Pattern>& patterns) {
        for (const Pattern& pattern : patterns) {
            if (!pattern.literals.front().empty()) {
                Add(mByFirst, mFirstLengths, pattern.literals.front(), pattern);
            } else if (!pattern.literals.back().empty()) {
                Add(mByLast, mLastLengths, pattern.literals.back(), pattern);
            } else {
                mRest.push_back(&pattern);
            }
        }
    }

    // The patterns that may match `line`.
    void Candidates(std::string_view line, Budget& budget,
                    std::vector<const Pattern*>* candidates) const {
        candidates->assign(mRest.begin(), mRest.end());
        Look(mByFirst, mFirstLengths, line, true, budget, candidates);
        Look(mByLast, mLastLengths, line, false, budget, candidates);
    }

  private:
    using Map = std::unordered_map<std::string_view, std::vector<const Pattern*>>;

    static void Add(Map& map, std::vector<std::size_t>& lengths, std::string_view key,
                    const Pattern& pattern) {
        map[key].push_back(&pattern);
        const auto at = std::lower_bound(lengths.begin(), lengths.end(), key.size());
        if (at == lengths.end() || *at != key.size()) {
            lengths.insert(at, key.size());
        }
    }
    static void Look(const Map& map, const std::vector<std::size_t>& lengths, std::string_view line,
                     bool first, Budget& budget, std::vector<const Pattern*>* candidates) {
        for (const std::size_t length : lengths) {
            if (length > line.size()) {
                break;
            }
            budget.Spend(qint64(length) + 1);
            const auto found =
                map.find(first ? line.substr(0, length) : line.substr(line.size() - length));
            if (found != map.end()) {
                candidates->insert(candidates->end(), found->second.begin(), found->second.end());
            }
        }
    }

    Map mByFirst;
    std::vector<std::size_t> mFirstLengths;  // distinct, ascending
    Map mByLast;
    std::vector<std::size_t> mLastLengths;
    std::vector<const Pattern*> mRest;
};

// Whether `text` matches `pattern`; if so, appends to `hidden` (relative to the text) what stands
// in the places of passwords in any way it matches: everything between the first and the last
// literal but the literals that every way places alike.
bool Match(std::string_view text, const Pattern& pattern, std::vector<ByteRange>* hidden,
           Budget& budget) {
    const std::vector<std::string_view>& literals = pattern.literals;
    const std::size_t last = literals.size() - 1;
    budget.Spend(1 + qint64(literals.front().size() + literals.back().size()));
    if (text.size() < literals.front().size() + literals.back().size() ||
        !text.starts_with(literals.front()) || !text.ends_with(literals.back())) {
        return false;
    }
    const std::size_t end = text.size() - literals.back().size();
    // Each literal between as far left as it goes after the ones before it...
    std::vector<std::size_t> leftmost(literals.size());
    std::size_t at = literals.front().size();
    for (std::size_t i = 1; i < last; ++i) {
        budget.Spend(qint64(text.size()));
        leftmost[i] = text.find(literals[i], at);
        if (leftmost[i] == std::string_view::npos || leftmost[i] + literals[i].size() > end) {
            return false;
        }
        at = leftmost[i] + literals[i].size();
    }
    // ... and as far right as it goes before the ones after it. A literal found at the same place
    // both ways is there in every way the text matches.
    std::vector<std::size_t> rightmost(literals.size());
    std::size_t limit = end;
    for (std::size_t i = last - 1; i >= 1; --i) {
        budget.Spend(qint64(text.size()));
        rightmost[i] = text.rfind(literals[i], limit - literals[i].size());
        limit = rightmost[i];
    }
    std::size_t open = literals.front().size();
    const auto hide = [&](std::size_t until) {
        if (until > open) {
            hidden->push_back({qint64(open), qint64(until)});
        }
    };
    for (std::size_t i = 1; i < last; ++i) {
        if (leftmost[i] == rightmost[i]) {
            hide(leftmost[i]);
            open = leftmost[i] + literals[i].size();
        }
    }
    hide(end);
    return true;
}

// `bytes` without a line break at its end.
std::string_view WithoutLineBreak(std::string_view bytes) {
    return bytes.ends_with('\n') ? bytes.substr(0, bytes.size() - 1) : bytes;
}

// Whether a password of `secrets` holds a line break inside text[from, to), one that is not its
// own last byte: then a password's place spans lines.
bool SpansLines(const QByteArray& text, qint64 from, qint64 to,
                const std::vector<ByteRange>& secrets) {
    for (const ByteRange& secret : secrets) {
        const qint64 begin = std::max(secret.begin, from);
        const qint64 end = std::min(secret.end, to) - 1;
        if (begin < end && std::memchr(text.constData() + begin, '\n', std::size_t(end - begin))) {
            return true;
        }
    }
    return false;
}

// The number of lines in bytes[from, to): a last line needs no "\n".
qint64 CountLines(const QByteArray& bytes, qint64 from, qint64 to) {
    const qint64 newlines = std::count(bytes.begin() + from, bytes.begin() + to, '\n');
    return newlines + (to > from && bytes[to - 1] != '\n');
}

// Sorts `ranges` of one line, relative to `lineStart`, into `hidden`.
void AddHidden(std::vector<ByteRange>& ranges, qint64 lineStart, std::vector<ByteRange>* hidden) {
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    for (const ByteRange& range : ranges) {
        AppendRange(*hidden, {lineStart + range.begin, lineStart + range.end});
    }
    ranges.clear();
}

}  // namespace

OutputDiffMask::OutputDiffMask(std::vector<ByteRange> secrets) : mAfter(std::move(secrets)) {}

bool OutputDiffMask::Prepare(const QByteArray& before, const QByteArray& after,
                             const std::vector<Change>& changes) {
    mBefore.clear();
    mWithheld.clear();
    if (mAfter.empty()) {
        return true;
    }
    // Matching costs a small multiple of writing the diff, whatever the lines.
    Budget budget(64 * (before.size() + after.size()) + (qint64(1) << 24));

    // The lines of the new version that hold a password, or the place of one without a value.
    std::vector<qint64> lineStarts;
    for (const ByteRange& secret : mAfter) {
        if (secret.begin == after.size() && (after.isEmpty() || after.endsWith('\n'))) {
            continue;  // after the last line
        }
        const qint64 last = secret.Empty() ? secret.begin : secret.end - 1;
        qint64 at = secret.begin == 0 ? 0 : after.lastIndexOf('\n', secret.begin - 1) + 1;
        while (at <= last) {
            lineStarts.push_back(at);
            const qsizetype newline = after.indexOf('\n', at);
            at = newline < 0 ? after.size() + 1 : newline + 1;
        }
    }
    std::sort(lineStarts.begin(), lineStarts.end());
    lineStarts.erase(std::unique(lineStarts.begin(), lineStarts.end()), lineStarts.end());
    // The lines are matched without their line breaks, so that an old last line without one
    // matches too.
    std::vector<Pattern> telling;  // each once
    std::vector<Pattern> blank;    // by line
    std::unordered_set<std::string> known;
    for (const qint64 start : lineStarts) {
        const qsizetype newline = after.indexOf('\n', start);
        Pattern pattern =
            PatternOf(after, start, newline < 0 ? after.size() : newline, mAfter, true);
        if (!pattern.HasPlaces()) {
            continue;
        }
        if (!pattern.Telling()) {
            blank.push_back(std::move(pattern));
        } else if (known.insert(pattern.Key()).second) {
            telling.push_back(std::move(pattern));
        }
    }

    const PatternIndex index(telling);
    std::vector<const Pattern*> candidates;
    std::vector<ByteRange> hidden;
    // Whether a line of the new version that starts in [from, to) holds a password's place.
    const auto placeIn = [&lineStarts](qint64 from, qint64 to) {
        const auto first = std::lower_bound(lineStarts.begin(), lineStarts.end(), from);
        return first != lineStarts.end() && *first < to;
    };
    for (const Change& change : changes) {
        if (change.before.Empty()) {
            continue;
        }
        const std::string_view removed = View(before, change.before.begin, change.before.end);
        if (SpansLines(after, change.after.begin, change.after.end, mAfter)) {
            const Pattern whole = PatternOf(after, change.after.begin, change.after.end, mAfter,
                                            change.after.end == after.size());
            if (Match(removed, whole, &hidden, budget)) {
                AddHidden(hidden, change.before.begin, &mBefore);
                continue;
            }
        }
        // The blank lines among those the change adds.
        const auto startsBefore = [](const Pattern& pattern, qint64 at) {
            return pattern.lineStart < at;
        };
        const auto localBegin =
            std::lower_bound(blank.begin(), blank.end(), change.after.begin, startsBefore);
        const auto localEnd =
            std::lower_bound(localBegin, blank.end(), change.after.end, startsBefore);
        std::vector<qint64> unmatched;  // the starts of the removed lines that matched nothing
        qint64 removedLines = 0;
        for (qint64 start = change.before.begin; start < change.before.end; ++removedLines) {
            const qsizetype newline = before.indexOf('\n', start);
            const qint64 end =
                newline < 0 || newline >= change.before.end ? change.before.end : newline + 1;
            const std::string_view line = WithoutLineBreak(View(before, start, end));
            index.Candidates(line, budget, &candidates);
            bool matched = false;
            for (const Pattern* pattern : candidates) {
                matched = Match(line, *pattern, &hidden, budget) || matched;
            }
            for (auto pattern = localBegin; pattern != localEnd; ++pattern) {
                matched = Match(line, *pattern, &hidden, budget) || matched;
            }
            if (!matched) {
                unmatched.push_back(start);
            }
            AddHidden(hidden, start, &mBefore);
            if (budget.Spent()) {
                return false;
            }
            start = end;
        }
        // A removed line that matched no line of a password is shown only where it is paired for
        // certain with a new line that holds none: line for line, in a change apart from every
        // password (no password's place in the lines it adds nor in the line before, where an old
        // password of several lines could go on, and no removed line that matched one).
        // Otherwise it could be what is left of an old password, and is held back whole.
        const qint64 previousLine = change.after.begin == 0 ? -1
                                    : change.after.begin == 1
                                        ? 0
                                        : after.lastIndexOf('\n', change.after.begin - 2) + 1;
        const bool apart =
            qint64(unmatched.size()) == removedLines &&
            removedLines == CountLines(after, change.after.begin, change.after.end) &&
            !placeIn(change.after.begin, change.after.end) &&
            (previousLine < 0 || !placeIn(previousLine, previousLine + 1));
        if (!apart) {
            mWithheld.insert(mWithheld.end(), unmatched.begin(), unmatched.end());
        }
    }
    return true;
}
