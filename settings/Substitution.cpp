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
