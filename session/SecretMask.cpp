#include "session/SecretMask.h"

#include "schema/Configuration.h"
#include "settings/VariableValues.h"

#include <algorithm>

QList<QByteArray> SecretForms(const Configuration& config, const VariableValues& values) {
    QList<QByteArray> forms;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QString* value = values.Find(item.id);
            if (item.rules.kind != ValueKind::Password || value == nullptr || value->isEmpty()) {
                continue;
            }
            QString escaped = value->toHtmlEscaped();
            for (const QByteArray& form :
                 {value->toLocal8Bit(), value->toUtf8(), escaped.toUtf8(),
                  escaped.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).toUtf8()}) {
                if (!form.isEmpty() && !forms.contains(form)) {
                    forms.append(form);
                }
            }
        }
    }
    return forms;
}

SecretMask::SecretMask(QList<QByteArray> secrets, Emit report)
    : mSecrets(std::move(secrets)), mEmit(std::move(report)) {
    mSecrets.removeAll(QByteArray());
    // Longest first; the same secret given twice (a password both stored and about to be saved)
    // is looked for once.
    std::sort(mSecrets.begin(), mSecrets.end(), [](const QByteArray& a, const QByteArray& b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    mSecrets.erase(std::unique(mSecrets.begin(), mSecrets.end()), mSecrets.end());
    mLongest = mSecrets.isEmpty() ? 0 : mSecrets.front().size();
}

SecretMask::~SecretMask() {
    Flush();
}

void SecretMask::Append(const char* data, qsizetype size) {
    if (mSecrets.isEmpty()) {
        mEmit(QByteArray(data, size));
        return;
    }
    mHeld.append(data, size);
    Scan(false);
}

void SecretMask::Flush() {
    Scan(true);
}

void SecretMask::Scan(bool final) {
    // A secret that starts within the last mLongest - 1 bytes may go on in the next piece; unless
    // this is the end, those bytes wait.
    const qsizetype end = final ? mHeld.size() : mHeld.size() - (mLongest - 1);
    QByteArray out;
    qsizetype at = 0;
    qsizetype copied = 0;
    while (at < end) {
        const auto found = std::find_if(
            mSecrets.cbegin(), mSecrets.cend(),
            [&](const QByteArray& s) { return QByteArrayView(mHeld).sliced(at).startsWith(s); });
        if (found == mSecrets.cend()) {
            ++at;
            continue;
        }
        out.append(QByteArrayView(mHeld).sliced(copied, at - copied));
        out.append("********");
        mMasked = true;
        at += found->size();
        copied = at;
    }
    const qsizetype done = std::max(at, copied);
    out.append(QByteArrayView(mHeld).sliced(copied, done - copied));
    mHeld.remove(0, done);
    if (!out.isEmpty()) {
        mEmit(out);
    }
}
