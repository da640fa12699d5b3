#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/variant.h"
#include "platform/win32/handles.h"

namespace corvel::win32::excel {

// The source of the errors this binding raises itself (Excel's own carry Excel's source).
inline constexpr const char* kBindingSource = "Corvel.Excel";

// What every object of one Excel session shares: the dispatch identifiers found so far, by the object
// type and member name they were asked for. Excel's identifiers never change while it runs, so each
// name is asked for once per type.
class DispatchCache {
  public:
    // The identifier of `member` on `object`, an object of `type`; asks the object the first time.
    DISPID find(IDispatch* object, std::string_view type, std::string_view member);

  private:
    std::map<std::pair<std::string, std::string>, DISPID, std::less<>> ids_;
};

// One argument of a call, in the form the call passes it.
struct Missing {};
class Arg {
  public:
    Arg(Missing) noexcept {}
    Arg(std::int32_t value) noexcept : kind_(Kind::Long), long_(value) {}
    Arg(bool value) noexcept : kind_(Kind::Bool), long_(value ? 1 : 0) {}
    Arg(std::string_view value) noexcept : kind_(Kind::Text), text_(value) {}
    Arg(IDispatch* value) noexcept : kind_(Kind::Object), object_(value) {}
    Arg(const Variant& value) noexcept : kind_(Kind::Value), value_(&value) {}

    // Writes the argument into an empty VARIANT.
    void store(VARIANT& out) const;

  private:
    enum class Kind { Missing, Long, Bool, Text, Object, Value };
    Kind kind_ = Kind::Missing;
    std::int32_t long_ = 0;
    std::string_view text_;
    IDispatch* object_ = nullptr;
    const Variant* value_ = nullptr;
};

// An object of Excel's object model reached late-bound: members are called by name, the arguments in
// the order Excel's documentation gives them, and a failed call raises the AutomationError Excel's
// error object would show (its number, source and description).
class DispatchObject {
  public:
    DispatchObject(com_ptr<IDispatch> object, std::shared_ptr<DispatchCache> cache, const char* type);

    IDispatch* get() const noexcept { return object_.get(); }
    const std::shared_ptr<DispatchCache>& cache() const noexcept { return cache_; }
    const char* type() const noexcept { return type_; }

    unique_variant get(std::string_view member, const std::vector<Arg>& args = {}) const;
    void put(std::string_view member, const Arg& value, const std::vector<Arg>& args = {}) const;
    unique_variant call(std::string_view member, const std::vector<Arg>& args = {}) const;

    // Results in the types the binding hands on.
    com_ptr<IDispatch> get_object(std::string_view member, const std::vector<Arg>& args = {}) const;
    std::int32_t get_long(std::string_view member) const;
    std::optional<std::int32_t> get_optional_long(std::string_view member) const;
    std::string get_text(std::string_view member) const;

  private:
    unique_variant invoke(std::string_view member, WORD flags, const std::vector<Arg>& args,
                          const Arg* put_value) const;

    com_ptr<IDispatch> object_;
    std::shared_ptr<DispatchCache> cache_;
    const char* type_;
};

// The object a call gave back; null for Nothing (and for Empty, which some members answer instead).
com_ptr<IDispatch> object_of(const VARIANT& result, std::string_view type, std::string_view member);
// A number Excel gave: nullopt for Null (cells that differ).
std::optional<std::int32_t> optional_long_of(const VARIANT& result, std::string_view type,
                                             std::string_view member);
std::optional<double> optional_double_of(const VARIANT& result, std::string_view type,
                                         std::string_view member);
bool bool_of(const VARIANT& result, std::string_view type, std::string_view member);
std::string text_of(const VARIANT& result, std::string_view type, std::string_view member);
// A cell's value in the logic's terms: empty, number, text, boolean, date; an error value as the text
// the cell shows ("#N/A").
Variant cell_value_of(const VARIANT& value);

// Raises the error a failed call reports. With DISP_E_EXCEPTION the EXCEPINFO is Excel's word.
[[noreturn]] void raise_call_failed(HRESULT hr, EXCEPINFO& info, std::string_view type,
                                    std::string_view member);

// The text Excel shows for one of its error values (2042 gives "#N/A"); nullopt for any other code.
std::optional<std::string> excel_error_text(SCODE code) noexcept;

}  // namespace corvel::win32::excel
