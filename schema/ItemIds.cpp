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
    constexpr int kAhead = 8;
    const int count = Count() - mIndexed;
    std::vector<std::size_t> hashes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        hashes[std::size_t(i)] = FastStringHash(BareNameOf(Id(mIndexed + i)).View());
    }
    mByBareName.Reserve(std::size_t(Count()));
    for (int i = 0; i < count; ++i) {
        if (i + kAhead < count) {
            mByBareName.Prefetch(hashes[std::size_t(i + kAhead)]);
        }
        const QStringView id = Id(mIndexed);
        // Mostly there is no other entry under the hash, and no bare name is compared.
        if (const std::optional<std::uint32_t> first = mByBareName.Insert(
                hashes[std::size_t(i)], std::uint32_t(mIndexed), [&](std::uint32_t other) {
                    return HasBareName(other, id, BareNameOf(id).View());
                })) {
            return Clash{mIndexed, int(*first)};
        }
        ++mIndexed;
    }
    return std::nullopt;
}
