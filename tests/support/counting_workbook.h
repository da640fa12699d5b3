#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "seams/workbook/application.h"

namespace corvel::workbook {

// Every call a client made through a counting application, by "Type.Member" ("Range.Value").
struct WorkbookCalls {
    std::map<std::string, std::int64_t> by_member;
    std::int64_t total = 0;

    void count(const char* member) {
        ++by_member[member];
        ++total;
    }
    void clear() {
        by_member.clear();
        total = 0;
    }
};

// The application `inner` with every call into it, and into every object it hands out, counted: each
// one stands for a round trip into the real application.
std::shared_ptr<Application> counting_application(std::shared_ptr<Application> inner,
                                                  std::shared_ptr<WorkbookCalls> calls);

}  // namespace corvel::workbook
