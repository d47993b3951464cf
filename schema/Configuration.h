#pragma once

#include "platform/FileSystem.h"
#include "platform/HashIndex.h"
#include "platform/Status.h"
#include "platform/TextArena.h"
#include "schema/ItemIds.h"
#include "schema/ValueRules.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// One variable of the configuration: one row of its group's page. Its texts are kept by its
// Configuration, and valid for as long as that is.
struct ConfigItem {
    QStringView label;  // the text shown in front of the field
    QStringView id;     // the variable id, normally "$(NAME)"
    int line = 0;
    // Owned by the item's Configuration: most items of a large file declare no rules and share
    // one default set.
    const ValueRules& rules;
};

// One group: one tab of the window.
struct ConfigGroup {
    QString name;
    std::vector<ConfigItem> items;
    int line = 0;
};

// One template export: read `input`, write `output`, both as written in the file. An empty
// output is kept so that the export can say that it has nowhere to write.
struct TemplateEntry {
    QString input;
    QString output;
    // The permission bits of the output after every save (mode="0640"); without it, a new output
    // gets the umask's, or its owner's alone when it holds a password, and one that exists keeps
    // its own.
    std::optional<unsigned> mode;
};

// How a save waits for a before or after command whose element says wait="true": until it ends,
// at most `timeout` (the element's timeout="SECONDS", 60 when not given).
struct CommandWait {
    static constexpr std::chrono::seconds kDefaultTimeout{60};
    static constexpr std::chrono::seconds kLongestTimeout{24 * 60 * 60};
    std::chrono::seconds timeout = kDefaultTimeout;
};

// The configuration file: the groups and their variables, the before and after commands and the
// template list. It is read once and never written. Move-only: its items refer to rules it owns,
// and moving it keeps every item and rule where it is.
class Configuration {
  public:
    Configuration();
    ~Configuration();
    Configuration(Configuration&& other) noexcept;
    Configuration& operator=(Configuration&& other) noexcept;

    // Parses the text of a configuration file and checks its rules: the root is `xml`, every group
    // has a name and every item a name and a varname, group names and the items' bare names are
    // unique, every item's value rules can work (ValueRules::Read), every depends names another
    // item and no item depends on itself through others, and the element of a command says
    // wait="true" or "false" if anything, and a timeout only with wait="true", a whole number of
    // seconds from 1 to CommandWait::kLongestTimeout, and the mode of a template entry is octal,
    // at most 0777. On failure the configuration is empty and
    // the message names `fileName`, the line and the rule broken. What the file most likely
    // misspells goes to Warnings.
    Status Parse(const QByteArray& bytes, const QString& fileName);

    // What a user will want to fix in a file that loads, one line each, "<file>:<line>: <what>":
    // in the order of the file, a child element of an item that the format does not know
    // ("<requried> is not a known element of an item; did you mean <required>?") and a type that
    // is read as free text but is close to a kind ("type "numbr" is read as free text; did you
    // mean "number"?"); then each command element that is never started: a second one of the id
    // "before" or "after" with a text, or one whose id differs from those only in case. Empty
    // after a failed Parse.
    const QStringList& Warnings() const { return mWarnings; }

    // The groups in document order, each with its items in document order.
    const std::vector<ConfigGroup>& Groups() const { return mGroups; }
    // How many items the groups hold in all.
    std::size_t ItemCount() const { return mItemPlaces.size(); }
    // The item of number `number` in document order (ItemIds). REQUIRES: number < ItemCount().
    const ConfigItem& Item(int number) const {
        const auto [group, index] = mItemPlaces[std::size_t(number)];
        return mGroups[group].items[index];
    }
    // The items numbered in order, found by id: shared with the values made of this
    // configuration.
    std::shared_ptr<const ItemIds> Ids() const { return mIds; }

    // True when some varname element, wherever it stands, has a text node equal to `id`: the test
    // by which a settings entry counts as a variable of this configuration.
    bool DeclaresId(QStringView id) const;

    // The item that the id `id` addresses: the one whose id has the same bare name ("HOST" and
    // "$(HOST)" address the item "$(HOST)"). Null when there is none.
    const ConfigItem* ItemFor(QStringView id) const;

    // The ids of the items that have a depends, each after every item it depends on: the order in
    // which to work out which items are enabled.
    const QStringList& DependentIds() const { return mDependentIds; }
    // In words, each condition under which `item` is enabled, in the order of its depends:
    // "Enable HTTPS is on", "Database kind is "postgres"", "Host is not empty". Empty for an
    // item without any.
    QStringList EnabledWhen(const ConfigItem& item) const;

    // The command line of the "before" or "after" command: the first text node, in document order,
    // directly inside a command element of that id. Nothing when there is none.
    const std::optional<QString>& BeforeCommand() const { return mBeforeCommand; }
    const std::optional<QString>& AfterCommand() const { return mAfterCommand; }
    // How a save waits for that command: nothing when its element (the one that holds that text)
    // does not say wait="true", and the command is started and not waited for.
    const std::optional<CommandWait>& BeforeWait() const { return mBeforeWait; }
    const std::optional<CommandWait>& AfterWait() const { return mAfterWait; }

    // The template entries in document order. An entry without input text or without an output
    // element is left out.
    const std::vector<TemplateEntry>& Templates() const { return mTemplates; }

    // The name the file was parsed under: its path, when LoadConfigurationFile read it.
    const QString& FileName() const { return mFileName; }

  private:
    friend class ConfigurationReader;
    // The declared id of number `number` among those that mDeclaredIds holds.
    QStringView DeclaredId(std::uint32_t number) const;

    QString mFileName;
    std::vector<ConfigGroup> mGroups;
    TextArena mLabels;  // the items' labels
    // The rules of the items that declare any, and first the default set that the others share.
    std::vector<std::unique_ptr<ValueRules>> mRules;
    // The items by number and by id, and the text of their ids. Null only in a configuration
    // moved from.
    std::shared_ptr<ItemIds> mIds;
    // The declared ids, one after the other, and where each ends; but not the id of an item
    // whose varname holds it as its one text, as most items' do (ItemIds::Declared).
    std::vector<char16_t> mDeclaredText;
    std::vector<std::uint32_t> mDeclaredEnds;
    HashIndex mDeclaredIds;  // by the id
    // Each item's place by its number in document order: its group's index, its index there.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> mItemPlaces;
    QStringList mDependentIds;
    std::optional<QString> mBeforeCommand;
    std::optional<QString> mAfterCommand;
    std::optional<CommandWait> mBeforeWait;
    std::optional<CommandWait> mAfterWait;
    std::vector<TemplateEntry> mTemplates;
    QStringList mWarnings;
};

// Reads and parses the configuration file at `path`. `trust` receives Ok when the file was read
// through a path that no other user controls (FileSystem::OpenTrustedFile), or the refusal that
// says why not; a configuration that fails the rule is read all the same.
Status LoadConfigurationFile(FileSystem& fileSystem, const QString& path, Configuration* config,
                             Status* trust);
