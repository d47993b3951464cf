#include "platform/LastLines.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace {

// How many bytes at the end of `bytes` begin a UTF-8 sequence that they do not finish: what a cut
// at a byte count leaves of a character.
qsizetype UnfinishedCharacter(const QByteArray& bytes) {
    for (qsizetype back = 1; back <= std::min<qsizetype>(4, bytes.size()); ++back) {
        const auto byte = uchar(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80) {
            continue;  // a continuation byte: the start lies further back
        }
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// A character that would make a shown line lie about itself: a control character (which a
// terminal acts on), a line or paragraph separator, or a mark that turns the direction of the
// text that follows.
bool Misleads(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

LastLines::LastLines(int lineCount, qsizetype lineBytes, const SecretSet* secrets)
    : mLineCount(std::max(lineCount, 1)), mLineBytes(std::max<qsizetype>(lineBytes, 4)) {
    if (secrets != nullptr && !secrets->IsEmpty()) {
        mScan.emplace(*secrets);
    }
}

void LastLines::Append(const char* data, std::size_t size) {
    while (size > 0) {
        const auto* end = static_cast<const char*>(std::memchr(data, '\n', size));
        const std::size_t piece = end ? std::size_t(end - data) : size;
        // The whole line is looked at, also the part that is not kept.
        if (mScan) {
            mScan->Add(QByteArrayView(data, qsizetype(piece)));
        }
        const qsizetype room = mLineBytes - mCurrent.bytes.size();
        const qsizetype kept = mCurrent.cut > 0 ? 0 : std::min<qsizetype>(room, qsizetype(piece));
        mCurrent.bytes.append(data, kept);
        if (qsizetype(piece) > kept) {
            if (mCurrent.cut == 0) {
                // The line keeps whole characters only.
                const qsizetype unfinished = UnfinishedCharacter(mCurrent.bytes);
                mCurrent.bytes.chop(unfinished);
                mCurrent.cut += unfinished;
            }
            mCurrent.cut += qint64(piece) - kept;
        }
        if (end == nullptr) {
            return;
        }
        EndLine();
        data += piece + 1;
        size -= piece + 1;
    }
}

void LastLines::EndLine() {
    if (mScan) {
        mCurrent.held = mScan->Found();
        mScan->Restart();
    }
    if (mCurrent.held) {
        mCurrent.bytes = QByteArray();
    }
    mLines.push_back(std::move(mCurrent));
    mCurrent = Line();
    if (int(mLines.size()) > mLineCount) {
        mLines.pop_front();
    }
}

QStringList LastLines::Lines() const {
    const bool unfinished = !mCurrent.bytes.isEmpty() || mCurrent.cut > 0;
    const qsizetype skip = qsizetype(mLines.size()) + (unfinished ? 1 : 0) - mLineCount;
    QStringList lines;
    for (qsizetype i = std::max<qsizetype>(skip, 0); i < qsizetype(mLines.size()); ++i) {
        lines.append(Shown(mLines[std::size_t(i)]));
    }
    if (unfinished) {
        Line last = mCurrent;
        last.held = mScan && mScan->Found();
        lines.append(Shown(last));
    }
    return lines;
}

QString LastLines::Shown(const Line& line) {
    if (line.held) {
        return SecretSet::HeldBackLine();
    }
    QByteArray bytes = line.bytes;
    if (line.cut == 0 && bytes.endsWith('\r')) {
        bytes.chop(1);
    }
    QString shown;
    for (const char32_t c : QString::fromUtf8(bytes).toUcs4()) {
        if (c == u'\t' || !Misleads(c)) {
            shown.append(QString::fromUcs4(&c, 1));
        } else if (c < 0x100) {
            shown.append(QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0')));
        } else {
            shown.append(QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0')));
        }
    }
    if (line.cut > 0) {
        shown.append(QCoreApplication::translate("LastLines", "[... %1 more bytes]").arg(line.cut));
    }
    return shown;
}
