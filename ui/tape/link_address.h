#pragma once

#include <string>
#include <string_view>

namespace corvel {

// One tape entry that links into a symbol row: its header texts, the link formula, the tape
// location, and the key it was created under, in the creator's letter case.
class cLinkAddress {
  public:
    const std::string& NameSize() const noexcept { return NameSize_; }
    void NameSize(std::string_view value) { NameSize_ = value; }
    const std::string& SborKey() const noexcept { return SborKey_; }
    void SborKey(std::string_view value) { SborKey_ = value; }
    const std::string& DataRange() const noexcept { return DataRange_; }
    void DataRange(std::string_view value) { DataRange_ = value; }
    const std::string& Link() const noexcept { return Link_; }
    void Link(std::string_view value) { Link_ = value; }
    const std::string& Name() const noexcept { return Name_; }
    void Name(std::string_view value) { Name_ = value; }

  private:
    std::string Name_;
    std::string Link_;
    std::string DataRange_;
    std::string SborKey_;
    std::string NameSize_;
};

}  // namespace corvel
