#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

// The secrets of one run, as the UTF-8 bytes they are wherever they are printed, and the one check
// that every text leaving the program passes: does it hold any of them. A value of several lines
// counts whole and line by line, as a program prints it. The check looks at the raw bytes of a
// text before anything escapes or cuts it, in one pass however many secrets there are, and can
// follow a text that comes in pieces (Scan).
class SecretSet {
  public:
    // Each of `values` that is not empty, and each line of one of several lines (split at LF,
    // CR LF and CR; empty lines are no secret).
    explicit SecretSet(const QStringList& values);
    SecretSet() : SecretSet(QStringList()) {}

    bool IsEmpty() const { return mNodes.size() == 1; }
    // Whether `text` holds any secret.
    bool HeldIn(QByteArrayView text) const;
    bool HeldIn(const QString& text) const { return HeldIn(QByteArrayView(text.toUtf8())); }
    // `text` with each line (up to each '\n') that holds a secret replaced by HeldBackLine().
    QString Withheld(const QString& text) const;
    QStringList Withheld(const QStringList& lines) const;

    // What stands in a message for a line that was held back.
    static QString HeldBackLine();

    // Follows one text that comes in pieces: whether the pieces so far hold a secret, also one
    // that spans pieces. REQUIRES: the set outlives the scan.
    class Scan {
      public:
        explicit Scan(const SecretSet& set) : mSet(set) {}
        void Add(QByteArrayView piece);
        bool Found() const { return mFound; }
        // Starts over with a new text.
        void Restart() {
            mState = 0;
            mFound = false;
        }

      private:
        const SecretSet& mSet;
        int mState = 0;
        bool mFound = false;
    };

  private:
    // A state of the matcher: the longest start of a secret that the text read so far ends in.
    struct Node {
        std::vector<std::pair<unsigned char, int>> next;  // by byte, of the deeper states
        int fallback = 0;   // the state of the longest proper end of this one that starts a secret
        bool ends = false;  // this state, or one of its fallbacks, ends a secret
    };
    void Add(const QByteArray& secret);
    void Link();
    int Child(int node, unsigned char byte) const;
    int Step(int state, unsigned char byte) const;

    std::vector<Node> mNodes;
    std::array<int, 256> mFromRoot;  // the root's next states, all of them: most bytes end there
};
