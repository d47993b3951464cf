#include "settings/SettingsWriter.h"

#include "platform/XmlText.h"
#include "schema/Configuration.h"
#include "settings/VariableValues.h"

#include <QCoreApplication>

namespace {

Status EnsureRoot(SettingsDocument* settings) {
    if (settings->IsEmpty()) {
        settings->CreateRoot();
        return Status::Ok();
    }
    if (settings->RootName() != u"xml") {
        return Status::Error(
            QCoreApplication::translate("SettingsWriter",
                                        "%1: the root element is <%2>, but must be <xml>")
                .arg(settings->Path(), settings->RootName()));
    }
    return Status::Ok();
}

// Gives every element that a save fills the value of the item its id addresses: first the root's
// entries in document order, then the items of the configuration that have none there, in its
// order, each written into its nested element or added when its value is not its default.
Status WriteInto(const Configuration& config, const VariableValues& values,
                 SettingsDocument* settings) {
    const ItemIds& items = values.Ids();
    SettingsDocument::SavedIdList list = settings->SavedIds(config, items);
    std::vector<SettingsDocument::SavedId>& ids = list.ids;
    std::vector<bool> atRoot(std::size_t(items.Count()), false);
    for (const SettingsDocument::SavedId& saved : ids) {
        if (saved.use.own) {
            atRoot[std::size_t(saved.use.item)] = true;
        }
    }
    for (int item = 0; item < items.Count(); ++item) {
        if (!atRoot[std::size_t(item)]) {
            ids.push_back({items.Id(item), {item, true}});
        }
    }
    for (const SettingsDocument::SavedId& saved : ids) {
        const int number = saved.use.item;
        if (number < 0) {
            continue;
        }
        const QStringView id = saved.id;
        const ConfigItem* item = &config.Item(number);
        const QStringView text = values.At(number);
        // A value the file holds already was stored, and is left as it is.
        const std::optional<QStringView> had = settings->ValueOf(saved);
        if (had ? *had == text : text == item->rules.defaultValue.value_or(QString())) {
            continue;
        }
        if (const auto bad = FirstCharacterXmlCannotStore(text)) {
            return Status::Error(
                QCoreApplication::translate(
                    "SettingsWriter",
                    "The value of \"%1\" holds the character %2, which a settings file "
                    "cannot store. Nothing was saved.")
                    .arg(item->label, CharacterName(*bad)));
        }
        if (Status s = had ? settings->SetValueOf(id, text) : settings->AddVariable(id, text);
            !s.ok()) {
            return s;
        }
    }
    return Status::Ok();
}

// A file that a load would refuse must not replace one that loads: every later run would fail.
Status CheckSize(const Configuration& config, const SettingsDocument& settings,
                 const QByteArray& bytes, const QString& targetPath, qint64 maxBytes) {
    if (bytes.size() <= maxBytes) {
        return Status::Ok();
    }
    const QString id = settings.IdOfLargestValue();
    const ConfigItem* item = config.ItemFor(id);
    const QStringView label = item ? item->label : QStringView();
    return Status::Error(
        QCoreApplication::translate(
            "SettingsWriter",
            "The settings were not saved: %1 would be %2 bytes long, more than the %3 "
            "bytes a settings file may have to be loaded again. The largest value is "
            "that of %4.")
            .arg(targetPath)
            .arg(bytes.size())
            .arg(maxBytes)
            .arg(label.isEmpty() ? id : QStringLiteral("\"%1\" (%2)").arg(label, id)));
}

}  // namespace

Status NotSaved(const Status& reason) {
    return Status::Error(
        QCoreApplication::translate("SettingsWriter", "The settings could not be saved.\n%1")
            .arg(reason.message()));
}

Status LoadForSave(FileSystem& files, const QString& sourcePath, SettingsDocument* settings,
                   SettingsDocument&& earlier) {
    const Status loaded = settings->Load(files, sourcePath, std::move(earlier));
    if (loaded.ok() || loaded.IsNotFound()) {
        return Status::Ok();
    }
    return Status::Error(QCoreApplication::translate(
                             "SettingsWriter",
                             "The settings were not saved, because the existing file could not be "
                             "read:\n%1")
                             .arg(loaded.message()));
}

Status PlaceValues(const Configuration& config, const VariableValues& values,
                   SettingsDocument* settings, const QString& targetPath, QByteArray* bytes,
                   qint64 maxBytes) {
    Status placed = EnsureRoot(settings);
    if (placed.ok())
        placed = WriteInto(config, values, settings);
    QByteArray contents;
    if (placed.ok()) {
        placed = settings->Contents(&contents);
        placed = placed.ok() ? placed : NotSaved(placed.Prefixed(targetPath));
    }
    if (placed.ok())
        placed = CheckSize(config, *settings, contents, targetPath, maxBytes);
    if (placed.ok())
        *bytes = std::move(contents);
    return placed;
}

Status ExportSubstitutions(const Configuration& config, const SettingsDocument& settings,
                           const VariableValues& values, ExportList* exported) {
    if (Status s = settings.ExportedValues(exported, &values); !s.ok()) {
        return s;
    }
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (item.rules.defaultValue && !settings.HasElementOf(item.id)) {
                exported->values.push_back({item.id, *item.rules.defaultValue});
            }
        }
    }
    return Status::Ok();
}

Status RunValuesExported(const Configuration& config, const VariableValues& runValues,
                         const QByteArray& bytes, const QString& targetPath, ExportList* exported) {
    SettingsDocument copy;
    QByteArray placed;
    Status s = copy.Parse(bytes, targetPath);
    if (s.ok())
        s = PlaceValues(config, runValues, &copy, targetPath, &placed);
    if (s.ok()) {
        exported->runValues = runValues;  // which the list views
        s = ExportSubstitutions(config, copy, *exported->runValues, exported);
    }
    return s;
}

QStringList UndeclaredVariables(const ItemIds& items, const std::vector<VariableValue>& exported,
                                const QString& targetPath) {
    IdTable told;  // places in `exported` of the ids warned about
    const auto idAt = [&exported](int i) { return QStringView(exported[std::size_t(i)].id); };
    QStringList warnings;
    ItemIds::InOrder lookUp(items);
    for (std::size_t i = 0; i < exported.size(); ++i) {
        const VariableValue& value = exported[i];
        if (lookUp.IndexOf(value.id) < 0 && told.Insert(value.id, int(i), idAt) == int(i)) {
            warnings.append(QCoreApplication::translate(
                                "SettingsWriter",
                                "%1: %2 has a value, but no item of the configuration declares it")
                                .arg(targetPath, value.id));
        }
    }
    return warnings;
}
