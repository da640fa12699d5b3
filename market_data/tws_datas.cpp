#include "market_data/tws_datas.h"

#include "common/automation_error.h"

namespace corvel {

namespace {
constexpr const char* kSource = cTWSDatas::kErrorSource;
}

bool cTWSDatas::Enumerator::Next(Ref<cTWSData>& out) {
    if (!store_ || next_ >= store_->size()) return false;
    out = Ref<cTWSData>(store_->at(next_++));
    return true;
}

cTWSDatas::cTWSDatas() : store_(make_ref<RecordStore>()) {}

cTWSDatas::Lookup cTWSDatas::locate(const Variant& index, std::uint32_t& position) const {
    if (const std::string* key = index.string_if()) {
        if (key->empty()) return Lookup::NoKey;
        position = store_->find(RecordKey(*key).folded());
        return position == RecordStore::npos ? Lookup::NoKey : Lookup::Found;
    }
    if (!index.is_numeric()) return Lookup::BadIndex;
    const auto n = index.to_int32();
    if (!n || *n < 1 || static_cast<std::uint32_t>(*n) > store_->size()) return Lookup::OutOfRange;
    position = static_cast<std::uint32_t>(*n - 1);
    return Lookup::Found;
}

void cTWSDatas::raise_lookup_error(Lookup result) {
    if (result == Lookup::OutOfRange) {
        throw AutomationError(vb_error::kSubscriptOutOfRange, kSource, vb_error::kSubscriptOutOfRangeText);
    }
    throw AutomationError(vb_error::kInvalidProcedureCall, kSource, vb_error::kInvalidProcedureCallText);
}

void cTWSDatas::Add(const Ref<cTWSData>& CTWItem, std::optional<std::string_view> VarKey) {
    RecordKey key;
    if (VarKey) {
        if (VarKey->empty()) {
            throw AutomationError(vb_error::kInvalidProcedureCall, kSource,
                                  vb_error::kInvalidProcedureCallText);
        }
        key = RecordKey(*VarKey).folded();
        if (store_->find(key) != RecordStore::npos) {
            throw AutomationError(vb_error::kKeyAlreadyAssociated, kSource,
                                  vb_error::kKeyAlreadyAssociatedText);
        }
    }
    cTWSData* record = CTWItem.get();
    if (record) record->add_ref();
    store_->push_back(std::move(key), record);
}

void cTWSDatas::Remove(const Variant& VarIndex) {
    std::uint32_t position = 0;
    const Lookup result = locate(VarIndex, position);
    if (result != Lookup::Found) raise_lookup_error(result);
    store_->erase(position);
}

Ref<cTWSData> cTWSDatas::Item(const Variant& VarIndex) const {
    std::uint32_t position = 0;
    const Lookup result = locate(VarIndex, position);
    if (result != Lookup::Found) raise_lookup_error(result);
    return Ref<cTWSData>(store_->at(position));
}

Ref<cTWSData> cTWSDatas::ItemAdd(const Variant& VarIndex) {
    std::uint32_t position = 0;
    if (locate(VarIndex, position) == Lookup::Found) return Ref<cTWSData>(store_->at(position));
    auto record = make_ref<cTWSData>();
    const std::string text = VarIndex.to_text();
    record->NameID = RecordKey(text);
    // Only a non-empty text is a key a collection takes; any other index leaves the new record outside.
    if (VarIndex.is_string() && !text.empty()) {
        try {
            record->add_ref();
            store_->push_back(RecordKey(text).folded(), record.get());
        } catch (...) {
            // The record stays the caller's alone.
        }
    }
    return record;
}

cTWSData& cTWSDatas::item_add(const RecordKey& key) {
    const auto [position, added] = store_->find_or_append(key.folded(), [&] {
        Ref<cTWSData> record = make_ref<cTWSData>();
        record->NameID = key;
        return record.detach();
    });
    cTWSData* record = store_->at(position);
    // A caller may have stored Nothing under the key; writing through it is the caller's error.
    if (!record) {
        throw AutomationError(vb_error::kObjectVariableNotSet, kSource, vb_error::kObjectVariableNotSetText);
    }
    return *record;
}

void cTWSDatas::Clear() {
    // Held by nobody else (no walk in progress), the inner collection can be emptied in place and keep
    // its capacity for the next delivery; otherwise the walk keeps the old one.
    if (store_->ref_count() == 1) {
        store_->erase_front(store_->size());
    } else {
        store_ = make_ref<RecordStore>();
    }
}

}  // namespace corvel
