#pragma once

#include <QHash>
#include <QString>

class Configuration;

// The value of each item of a configuration, addressed by the item's variable id: what the
// window's fields hold and what a save writes. Only the configuration's items have a value.
class VariableValues {
  public:
    VariableValues() = default;
    // Every item of `config`, each with an empty value.
    explicit VariableValues(const Configuration& config);

    // The value of the item of id `id`, or null when no item has that id.
    const QString* Find(const QString& id) const;
    // Sets the value of the item of id `id`; false, and nothing set, when no item has that id.
    bool Set(const QString& id, const QString& value);

  private:
    QHash<QString, QString> mValues;
};
