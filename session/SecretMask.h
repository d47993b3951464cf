#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class Configuration;
class VariableValues;

// The bytes under which a password value may appear in a report: as the export writes it into an
// output (the local 8-bit encoding), as UTF-8, and escaped as XML text, as a settings file holds
// it. Empty values are left out.
QList<QByteArray> SecretForms(const Configuration& config, const VariableValues& values);

// Passes text on with every occurrence of a secret replaced by "********", also when a secret
// arrives split over several pieces. Occurrences are found left to right, the longest secret
// first where several start at one place.
class SecretMask {
  public:
    using Emit = std::function<void(const QByteArray&)>;
    SecretMask(QList<QByteArray> secrets, Emit report);
    ~SecretMask();  // passes on what it still holds

    void Append(const char* data, qsizetype size);
    // Passes on everything held back for a secret that might go on in the next piece.
    void Flush();
    // True once a secret was masked.
    bool Masked() const { return mMasked; }

  private:
    void Scan(bool final);

    QList<QByteArray> mSecrets;  // longest first
    qsizetype mLongest = 0;
    Emit mEmit;
    QByteArray mHeld;
    bool mMasked = false;
};
