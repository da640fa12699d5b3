#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/registry.h"

namespace corvel {

// A registry held in memory, behaving as the platform's does for everything the system uses: keys and
// value names compared without regard to letter case, values enumerated in the order they were first
// written, a key with subkeys refused by delete, handles of deleted keys failing. Keys and values are
// found through hash indexes, so loading and reading a key of many values costs time in proportion
// to their number, not its square.
//
// It is the registry of the tests (with injected failures per operation and a count of open keys, so
// a test proves every key is closed on every path) and the model the file-backed registry persists.
class MemoryRegistry : public Registry {
  public:
    enum class Op {
        CreateKey,
        OpenKey,
        QueryValue,
        ReadValue,
        SetValue,
        QueryInfo,
        EnumValue,
        EnumKey,
        DeleteKey,
        CloseKey,
    };
    static constexpr std::size_t kOpCount = 10;

    struct StoredValue {
        RegType type = RegType::None;
        std::string data;
        friend bool operator==(const StoredValue&, const StoredValue&) = default;
    };

    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    RegStatus create_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                         RegKeyHandle& out) override;
    RegStatus open_key(RegKeyHandle parent, std::string_view path, std::uint32_t access,
                       RegKeyHandle& out) override;
    RegStatus query_value(RegKeyHandle key, std::string_view name, RegType& type,
                          std::uint32_t& size) override;
    RegStatus read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity, RegType& type,
                         std::string& data) override;
    RegStatus set_value(RegKeyHandle key, std::string_view name, RegType type,
                        std::string_view data) override;
    RegStatus query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) override;
    RegStatus enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                              std::string& name) override;
    RegStatus enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) override;
    RegStatus delete_key(RegKeyHandle parent, std::string_view path) override;
    RegStatus close_key(RegKeyHandle key) override;

    // --- Fault injection: the next `times` calls of `op` fail with `status` (times < 0: every call).
    void fail(Op op, RegStatus status, int times = 1);
    void clear_faults();
    // Keys opened or created and not yet closed.
    int open_key_count() const noexcept { return static_cast<int>(handles_.size()); }
    // Calls of an operation so far, failed ones included.
    int call_count(Op op) const noexcept { return calls_[static_cast<std::size_t>(op)]; }

    // --- Direct access for tests and for persisting the tree.
    bool key_exists(RegKeyHandle hive, std::string_view path) const;
    std::optional<StoredValue> value(RegKeyHandle hive, std::string_view path, std::string_view name) const;
    // Writes a value, creating the keys on the way (seeding a test, loading a file).
    void put_value(RegKeyHandle hive, std::string_view path, std::string_view name, RegType type,
                   std::string_view data);
    void put_key(RegKeyHandle hive, std::string_view path);
    std::vector<std::string> value_names(RegKeyHandle hive, std::string_view path) const;
    void clear();
    // Takes every key and value of `loaded` (which is left empty), as when the stored registry changed
    // under this one: an open handle follows its key by path into the new content, and a handle whose
    // key is no longer there reports the key deleted, as the platform reports a key another process
    // deleted. Counts as a change.
    void replace_with(MemoryRegistry& loaded);

    // Visits every key in depth-first order, parents before children: hive, path below it, values.
    using KeyVisitor = std::function<void(RegKeyHandle hive, const std::string& path,
                                          const std::vector<std::pair<std::string, StoredValue>>& values)>;
    void visit(const KeyVisitor& visitor) const;

    // Bumped by every change to keys or values, so a persisting owner knows when to write.
    std::uint64_t generation() const noexcept { return generation_; }

  private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    RegStatus take_fault(Op op);
    NodePtr resolve(RegKeyHandle key, RegStatus& status) const;
    NodePtr make_path(NodePtr from, std::string_view path);
    NodePtr find(const NodePtr& from, std::string_view path, RegStatus& status) const;
    Node* node_of(RegKeyHandle key, RegStatus& status) const;
    NodePtr hive_root(RegKeyHandle hive) const;
    RegKeyHandle new_handle(NodePtr node);
    void visit_node(const Node& node, RegKeyHandle hive, const std::string& path,
                    const KeyVisitor& visitor) const;

    std::array<NodePtr, 4> hives_;
    std::map<RegKeyHandle, NodePtr> handles_;
    RegKeyHandle next_handle_ = 0x1000;
    std::array<int, kOpCount> faults_left_{};
    std::array<RegStatus, kOpCount> fault_status_{};
    std::array<int, kOpCount> calls_{};
    std::uint64_t generation_ = 0;
};

// Case-insensitive comparison of registry names (ASCII letters folded, other bytes as they are).
bool registry_names_equal(std::string_view a, std::string_view b) noexcept;

}  // namespace corvel
