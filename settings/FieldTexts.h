#pragma once

#include <QHash>
#include <QString>

#include <optional>

class Configuration;

// The texts of the variable fields, addressed by field control name ("eDBHOST"). The window
// implements it over its text boxes; runs without a window use MapFieldTexts.
class FieldTexts {
  public:
    virtual ~FieldTexts() = default;

    // The field's text, or nothing when there is no field of that name.
    virtual std::optional<QString> FieldText(const QString& fieldName) const = 0;
    // Sets the field's text; false when there is no field of that name.
    virtual bool SetFieldText(const QString& fieldName, const QString& text) = 0;
};

// Field texts held in memory: one empty field per variable of a configuration.
class MapFieldTexts : public FieldTexts {
  public:
    explicit MapFieldTexts(const Configuration& config);

    std::optional<QString> FieldText(const QString& fieldName) const override;
    bool SetFieldText(const QString& fieldName, const QString& text) override;

  private:
    QHash<QString, QString> mTexts;
};
