#include "platform/SecretSet.h"

#include <QCoreApplication>

#include <deque>

// The matcher is Aho and Corasick's: a trie of the secrets, with each state linked to the state of
// its longest proper end that starts a secret, so that a mismatch never goes back in the text.

SecretSet::SecretSet(const QStringList& values) : mNodes(1) {
    for (const QString& value : values) {
        const QByteArray bytes = value.toUtf8();
        Add(bytes);
        if (bytes.contains('\n') || bytes.contains('\r')) {
            QByteArray lines = bytes;
            lines.replace('\r', '\n');
            for (const QByteArray& line : lines.split('\n')) {
                Add(line);
            }
        }
    }
    Link();
}

void SecretSet::Add(const QByteArray& secret) {
    if (secret.isEmpty()) {
        return;
    }
    int node = 0;
    for (const char c : secret) {
        const auto byte = static_cast<unsigned char>(c);
        int next = Child(node, byte);
        if (next < 0) {
            next = int(mNodes.size());
            mNodes[std::size_t(node)].next.emplace_back(byte, next);
            mNodes.emplace_back();
        }
        node = next;
    }
    mNodes[std::size_t(node)].ends = true;
}

int SecretSet::Child(int node, unsigned char byte) const {
    for (const auto& [edge, next] : mNodes[std::size_t(node)].next) {
        if (edge == byte) {
            return next;
        }
    }
    return -1;
}

void SecretSet::Link() {
    mFromRoot.fill(0);
    for (const auto& [byte, next] : mNodes.front().next) {
        mFromRoot[byte] = next;
    }
    // Breadth first: a state's fallback is shallower, and so linked before it.
    std::deque<int> queue;
    for (const auto& edge : mNodes.front().next) {
        queue.push_back(edge.second);
    }
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& [byte, next] : mNodes[std::size_t(node)].next) {
            Node& child = mNodes[std::size_t(next)];
            child.fallback = Step(mNodes[std::size_t(node)].fallback, byte);
            child.ends = child.ends || mNodes[std::size_t(child.fallback)].ends;
            queue.push_back(next);
        }
    }
}

int SecretSet::Step(int state, unsigned char byte) const {
    for (;;) {
        if (state == 0) {
            return mFromRoot[byte];
        }
        if (const int next = Child(state, byte); next >= 0) {
            return next;
        }
        state = mNodes[std::size_t(state)].fallback;
    }
}

bool SecretSet::HeldIn(QByteArrayView text) const {
    Scan scan(*this);
    scan.Add(text);
    return scan.Found();
}

void SecretSet::Scan::Add(QByteArrayView piece) {
    if (mFound || mSet.IsEmpty()) {
        return;
    }
    for (const char c : piece) {
        mState = mSet.Step(mState, static_cast<unsigned char>(c));
        if (mSet.mNodes[std::size_t(mState)].ends) {
            mFound = true;
            return;
        }
    }
}

QString SecretSet::Withheld(const QString& text) const {
    if (IsEmpty()) {
        return text;
    }
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (HeldIn(line)) {
            line = HeldBackLine();
        }
    }
    return lines.join(u'\n');
}

QStringList SecretSet::Withheld(const QStringList& lines) const {
    QStringList withheld;
    for (const QString& line : lines) {
        withheld.append(Withheld(line));
    }
    return withheld;
}

QString SecretSet::HeldBackLine() {
    return QCoreApplication::translate("SecretSet",
                                       "[a line is held back here: it held a password]");
}
