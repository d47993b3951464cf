#include "schema/ItemIds.h"

#include "platform/FastStringHash.h"
#include "schema/BareName.h"
#include "schema/Configuration.h"

#include <QVarLengthArray>

namespace {

// The bare name of an id, on the stack: for a lookup that needs no string of its own.
class BareNameOf {
  public:
    explicit BareNameOf(QStringView id)
        : mChars(id.size()), mSize(WriteBareName(id, mChars.data())) {}
    QStringView View() const { return QStringView(mChars.data(), mSize); }

  private:
    QVarLengthArray<QChar, 64> mChars;
    qsizetype mSize;
};

}  // namespace

bool ItemIds::HasBareName(std::uint32_t other, QStringView id, QStringView bareName) const {
    // An item's own id, as ids mostly are, needs no bare name worked out.
    return Id(int(other)) == id || BareNameOf(Id(int(other))).View() == bareName;
}

int ItemIds::AddressedBy(QStringView id) const {
    const BareNameOf bareName(id);
    const std::optional<std::uint32_t> item = mByBareName.Find(
        FastStringHash(bareName.View()),
        [&](std::uint32_t other) { return HasBareName(other, id, bareName.View()); });
    return item ? int(*item) : -1;
}

ItemIds::IdUse ItemIds::UseOf(const Configuration& config, QStringView id) const {
    const int item = AddressedBy(id);
    if (item >= 0 && Id(item) == id) {
        return {item, true, Declared(item)};
    }
    return {item, false, config.DeclaresId(id)};
}

QStringView ItemIds::Add(QStringView id, ValueKind kind, bool declared) {
    mIds.push_back(mText.Add(id));
    mKinds.push_back(kind);
    mDeclared.push_back(declared);
    return mIds.back();
}

std::optional<ItemIds::Clash> ItemIds::IndexAdded() {
    const int from = mIndexed;
    std::vector<std::size_t> hashes;
    for (int item = from; item < Count(); ++item) {
        hashes.push_back(FastStringHash(BareNameOf(Id(item)).View()));
    }
    std::optional<Clash> clash;
    mByBareName.InsertAll(
        hashes, std::uint32_t(from),
        [this, from](std::size_t i) {
            // Mostly there is no other entry under the hash, and no bare name is compared.
            return [this, id = Id(from + int(i))](std::uint32_t other) {
                return HasBareName(other, id, BareNameOf(id).View());
            };
        },
        [this, from, &clash](std::size_t i, std::optional<std::uint32_t> first) {
            if (first) {
                clash = Clash{from + int(i), int(*first)};
                return false;
            }
            mIndexed = from + int(i) + 1;
            return true;
        });
    return clash;
}
