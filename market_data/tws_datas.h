#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/ref.h"
#include "common/variant.h"
#include "market_data/record_store.h"
#include "market_data/tws_data.h"

namespace corvel {

// A keyed, ordered collection of tick records, with the behaviour of a Visual Basic collection: string
// keys unique within the collection (compared without regard to letter case), 1-based positions in
// insertion order, removal closing the gap, and the errors such a collection reports (5 for a key that
// is not there, 9 for a position out of range, 457 for a key already present). It holds references:
// a record lives on as long as any caller holds it, also after `Clear`.
class cTWSDatas : public RefCounted<cTWSDatas> {
  public:
    // The source every error of the collection carries, whichever layer raises it.
    static constexpr const char* kErrorSource = "Tallowin3.cTWSDatas";

    // Walks the records by position, in order. It keeps the inner collection it started on, so a
    // `Clear` during a walk ends nothing early and frees nothing under it.
    class Enumerator {
      public:
        explicit Enumerator(Ref<RecordStore> store) noexcept : store_(std::move(store)) {}
        // The next record, or false at the end.
        bool Next(Ref<cTWSData>& out);
        void Skip(std::uint32_t count) noexcept { next_ += count; }
        void Reset() noexcept { next_ = 0; }
        Enumerator Clone() const { return *this; }

      private:
        Ref<RecordStore> store_;
        std::uint32_t next_ = 0;
    };

    cTWSDatas();

    // Adds a record at the end under a key (or, without one, reachable by position only). The record's
    // NameID is not touched.
    void Add(const Ref<cTWSData>& CTWItem, std::optional<std::string_view> VarKey = std::nullopt);
    // Removes by key (a string) or by 1-based position (a number).
    void Remove(const Variant& VarIndex);
    // The record under a key (a string) or at a 1-based position (a number).
    Ref<cTWSData> Item(const Variant& VarIndex) const;
    // Get-or-create: the record under the key, or a new one with NameID set to the key's text, added at
    // the end. If the collection refuses the key, the new record is returned without being added.
    Ref<cTWSData> ItemAdd(const Variant& VarIndex);
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(store_->size()); }
    // Starts a new, empty inner collection; the old one lives on while an enumerator walks it.
    void Clear();
    Enumerator NewEnum() const { return Enumerator(store_); }

    // --- Direct access for the engine.
    // ItemAdd by a key known to be acceptable, returning the record the collection keeps.
    cTWSData& item_add(const RecordKey& key);
    RecordStore& store() noexcept { return *store_; }
    const RecordStore& store() const noexcept { return *store_; }

    // Range-for over the current records, by position.
    class Iterator {
      public:
        Iterator(const RecordStore* store, std::uint32_t pos) noexcept : store_(store), pos_(pos) {}
        cTWSData& operator*() const noexcept { return *store_->at(pos_); }
        Iterator& operator++() noexcept {
            ++pos_;
            return *this;
        }
        bool operator!=(const Iterator& o) const noexcept { return pos_ != o.pos_; }

      private:
        const RecordStore* store_;
        std::uint32_t pos_;
    };
    Iterator begin() const noexcept { return Iterator(store_.get(), 0); }
    Iterator end() const noexcept { return Iterator(store_.get(), store_->size()); }

  private:
    enum class Lookup { Found, NoKey, OutOfRange, BadIndex };
    Lookup locate(const Variant& index, std::uint32_t& position) const;
    [[noreturn]] static void raise_lookup_error(Lookup result);

    Ref<RecordStore> store_;
};

}  // namespace corvel
