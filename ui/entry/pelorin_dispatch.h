#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/text.h"

// The automation face of `cPelorin` as existing callers know it: its dispatch interface, members in
// slot order and their dispatch identifiers. The identifiers are a contract with compiled callers and
// live here only; the COM layer builds its type information from this table.
namespace corvel::pelorin {

inline constexpr std::string_view kTypeLibraryHelp = "Corvel user interface library";
inline constexpr std::string_view kDispatchInterface = "_cPelorin";

// How a member is reached.
namespace invoke {
inline constexpr unsigned kPropertyGet = 1;
inline constexpr unsigned kPropertyPut = 2;     // let: a value
inline constexpr unsigned kPropertyPutRef = 4;  // set: an object
inline constexpr unsigned kMethod = 8;
}  // namespace invoke

struct DispatchMember {
    std::string_view name;
    std::int32_t dispid;
    unsigned kinds;
};

inline constexpr std::array<DispatchMember, 7> kPelorinMembers = {{
    {"m_ObjExcelApplication", 0x40030003, invoke::kPropertyGet | invoke::kPropertyPutRef},
    {"RefEditInputs", 0x68030001, invoke::kPropertyGet | invoke::kPropertyPut},
    {"ExcelApplication", 0x68030000, invoke::kPropertyGet | invoke::kPropertyPutRef},
    {"CreateNewProject", 0x60030004, invoke::kMethod},
    {"AddNewSymbol", 0x60030005, invoke::kMethod},
    {"ShowRefEditInterface", 0x60030006, invoke::kMethod},
    {"UnloadfrmMaster", 0x60030007, invoke::kMethod},
}};

// The member a caller names, in any letter case (automation names are case-insensitive), or null.
inline const DispatchMember* find_pelorin_member(std::string_view name) noexcept {
    for (const DispatchMember& member : kPelorinMembers) {
        if (equals_ignore_case(member.name, name)) return &member;
    }
    return nullptr;
}

}  // namespace corvel::pelorin
