#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <unordered_map>

namespace corvel {

namespace {

char fold(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Splits "A\B\C" into its segments. A trailing backslash is tolerated; an empty segment anywhere else
// is a malformed path, as the platform reports it.
bool split_path(std::string_view path, std::vector<std::string_view>& out) {
    out.clear();
    if (path.empty()) return true;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find('\\', start);
        const std::string_view segment =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (segment.empty()) {
            return end == std::string_view::npos && start == path.size() && !out.empty();
        }
        out.push_back(segment);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool registry_names_equal(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

namespace {

// Hash and equality of registry names under the platform's letter-case rule, usable with a
// string_view so a lookup builds no string.
struct FoldedNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept {
        std::uint64_t h = 14695981039346656037ull;
        for (const char c : name) {
            h ^= static_cast<unsigned char>(fold(c));
            h *= 1099511628211ull;
        }
        return static_cast<std::size_t>(h);
    }
};
struct FoldedNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return registry_names_equal(a, b);
    }
};
template <class T>
using FoldedNameMap = std::unordered_map<std::string, T, FoldedNameHash, FoldedNameEqual>;

}  // namespace

struct MemoryRegistry::Node {
    std::string name;
    Node* parent = nullptr;
    bool deleted = false;
    // The vectors keep the enumeration order; the maps find an entry by name.
    std::vector<NodePtr> children;
    FoldedNameMap<NodePtr> child_index;
    std::vector<std::pair<std::string, StoredValue>> values;
    FoldedNameMap<std::size_t> value_index;
    // Values are never removed, so the longest name only grows.
    std::uint32_t longest_value_name = 0;

    NodePtr child(std::string_view n) const {
        const auto it = child_index.find(n);
        return it == child_index.end() ? nullptr : it->second;
    }
    void add_child(NodePtr c) {
        child_index.emplace(c->name, c);
        children.push_back(std::move(c));
    }
    void remove_child(const NodePtr& c) {
        child_index.erase(c->name);
        children.erase(std::find(children.begin(), children.end(), c));
    }
    // Replacing a value keeps its place in the enumeration order (and the spelling it was first given).
    void assign(std::string_view n, StoredValue v) {
        if (auto* existing = value(n)) {
            existing->second = std::move(v);
            return;
        }
        value_index.emplace(std::string(n), values.size());
        values.emplace_back(std::string(n), std::move(v));
        longest_value_name = std::max(longest_value_name, static_cast<std::uint32_t>(n.size()));
    }
    std::pair<std::string, StoredValue>* value(std::string_view n) {
        const auto it = value_index.find(n);
        return it == value_index.end() ? nullptr : &values[it->second];
    }
};

MemoryRegistry::MemoryRegistry() {
    clear();
}

MemoryRegistry::~MemoryRegistry() = default;

void MemoryRegistry::clear() {
    for (auto& h : hives_)
        h = std::make_shared<Node>();
    handles_.clear();
    ++generation_;
}

void MemoryRegistry::replace_with(MemoryRegistry& loaded) {
    // Paths are read from the old tree while it is whole: a node knows only its parent's address.
    std::vector<const Node*> chain;
    for (auto& [handle, node] : handles_) {
        if (node->deleted) continue;
        chain.clear();
        const Node* n = node.get();
        for (; n->parent; n = n->parent)
            chain.push_back(n);
        const auto hive =
            std::find_if(hives_.begin(), hives_.end(), [&](const NodePtr& h) { return h.get() == n; });
        NodePtr same =
            hive == hives_.end() ? nullptr : loaded.hives_[static_cast<std::size_t>(hive - hives_.begin())];
        for (auto it = chain.rbegin(); same && it != chain.rend(); ++it)
            same = same->child((*it)->name);
        if (!same) {
            same = std::make_shared<Node>();
            same->deleted = true;
        }
        node = std::move(same);
    }
    hives_ = loaded.hives_;
    loaded.clear();
    ++generation_;
}

void MemoryRegistry::fail(Op op, RegStatus status, int times) {
    faults_left_[static_cast<std::size_t>(op)] = times;
    fault_status_[static_cast<std::size_t>(op)] = status;
}

void MemoryRegistry::clear_faults() {
    faults_left_.fill(0);
}

RegStatus MemoryRegistry::take_fault(Op op) {
    const auto i = static_cast<std::size_t>(op);
    ++calls_[i];
    if (faults_left_[i] == 0) return reg_status::kSuccess;
    if (faults_left_[i] > 0) --faults_left_[i];
    return fault_status_[i];
}

MemoryRegistry::NodePtr MemoryRegistry::hive_root(RegKeyHandle hive) const {
    if (!is_predefined_hive(hive)) return nullptr;
    return hives_[hive - reg_hive::kClassesRoot];
}

MemoryRegistry::NodePtr MemoryRegistry::resolve(RegKeyHandle key, RegStatus& status) const {
    if (NodePtr root = hive_root(key)) {
        status = reg_status::kSuccess;
        return root;
    }
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        status = reg_status::kInvalidHandle;
        return nullptr;
    }
    if (it->second->deleted) {
        status = reg_status::kKeyDeleted;
        return nullptr;
    }
    status = reg_status::kSuccess;
    return it->second;
}

MemoryRegistry::NodePtr MemoryRegistry::make_path(NodePtr node, std::string_view path) {
    std::vector<std::string_view> segments;
    if (!node || !split_path(path, segments)) return nullptr;
    for (const auto segment : segments) {
        NodePtr next = node->child(segment);
        if (!next) {
            next = std::make_shared<Node>();
            next->name = std::string(segment);
            next->parent = node.get();
            node->add_child(next);
            ++generation_;
        }
        node = std::move(next);
    }
    return node;
}

MemoryRegistry::Node* MemoryRegistry::node_of(RegKeyHandle key, RegStatus& status) const {
    return resolve(key, status).get();
}

MemoryRegistry::NodePtr MemoryRegistry::find(const NodePtr& from, std::string_view path,
                                             RegStatus& status) const {
    std::vector<std::string_view> segments;
    if (!split_path(path, segments)) {
        status = reg_status::kBadPathname;
        return nullptr;
    }
    NodePtr node = from;
    for (const auto segment : segments) {
        node = node->child(segment);
        if (!node) {
            status = reg_status::kFileNotFound;
            return nullptr;
        }
    }
    status = reg_status::kSuccess;
    return node;
}

// Handles keep their node alive, so a handle that outlives a delete reports the deletion, not a crash.
RegKeyHandle MemoryRegistry::new_handle(NodePtr node) {
    const RegKeyHandle h = next_handle_;
    next_handle_ += 4;
    handles_.emplace(h, std::move(node));
    return h;
}

RegStatus MemoryRegistry::create_key(RegKeyHandle parent, std::string_view path, std::uint32_t,
                                     RegKeyHandle& out) {
    out = 0;
    if (const RegStatus f = take_fault(Op::CreateKey)) return f;
    RegStatus status;
    NodePtr node = resolve(parent, status);
    if (!node) return status;
    node = make_path(node, path);
    if (!node) return reg_status::kBadPathname;
    out = new_handle(std::move(node));
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::open_key(RegKeyHandle parent, std::string_view path, std::uint32_t,
                                   RegKeyHandle& out) {
    out = 0;
    if (const RegStatus f = take_fault(Op::OpenKey)) return f;
    RegStatus status;
    const NodePtr from = resolve(parent, status);
    if (!from) return status;
    NodePtr node = find(from, path, status);
    if (!node) return status;
    out = new_handle(std::move(node));
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::query_value(RegKeyHandle key, std::string_view name, RegType& type,
                                      std::uint32_t& size) {
    if (const RegStatus f = take_fault(Op::QueryValue)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    const auto* v = node->value(name);
    if (!v) return reg_status::kFileNotFound;
    type = v->second.type;
    size = static_cast<std::uint32_t>(v->second.data.size());
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::read_value(RegKeyHandle key, std::string_view name, std::uint32_t capacity,
                                     RegType& type, std::string& data) {
    if (const RegStatus f = take_fault(Op::ReadValue)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    const auto* v = node->value(name);
    if (!v) return reg_status::kFileNotFound;
    type = v->second.type;
    if (v->second.data.size() > capacity) return reg_status::kMoreData;
    data = v->second.data;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::set_value(RegKeyHandle key, std::string_view name, RegType type,
                                    std::string_view data) {
    if (const RegStatus f = take_fault(Op::SetValue)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    node->assign(name, StoredValue{type, std::string(data)});
    ++generation_;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::query_max_value_name_length(RegKeyHandle key, std::uint32_t& length) {
    if (const RegStatus f = take_fault(Op::QueryInfo)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    length = node->longest_value_name;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::enum_value_name(RegKeyHandle key, std::uint32_t index, std::uint32_t capacity,
                                          std::string& name) {
    if (const RegStatus f = take_fault(Op::EnumValue)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    if (index >= node->values.size()) return reg_status::kNoMoreItems;
    const std::string& n = node->values[index].first;
    if (n.size() + 1 > capacity) return reg_status::kMoreData;
    name = n;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::enum_key_name(RegKeyHandle key, std::uint32_t index, std::string& name) {
    if (const RegStatus f = take_fault(Op::EnumKey)) return f;
    RegStatus status;
    Node* node = node_of(key, status);
    if (!node) return status;
    if (index >= node->children.size()) return reg_status::kNoMoreItems;
    name = node->children[index]->name;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::delete_key(RegKeyHandle parent, std::string_view path) {
    if (const RegStatus f = take_fault(Op::DeleteKey)) return f;
    RegStatus status;
    const NodePtr from = resolve(parent, status);
    if (!from) return status;
    NodePtr node = find(from, path, status);
    if (!node) return status;
    if (!node->parent) return reg_status::kAccessDenied;  // a hive itself
    if (!node->children.empty()) return reg_status::kAccessDenied;
    node->parent->remove_child(node);
    node->deleted = true;
    node->parent = nullptr;
    ++generation_;
    return reg_status::kSuccess;
}

RegStatus MemoryRegistry::close_key(RegKeyHandle key) {
    if (const RegStatus f = take_fault(Op::CloseKey)) return f;
    if (is_predefined_hive(key)) return reg_status::kSuccess;
    // A failed close still releases the handle: the platform's handle is gone either way.
    return handles_.erase(key) ? reg_status::kSuccess : reg_status::kInvalidHandle;
}

bool MemoryRegistry::key_exists(RegKeyHandle hive, std::string_view path) const {
    const NodePtr root = hive_root(hive);
    if (!root) return false;
    RegStatus status;
    return find(root, path, status) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::value(RegKeyHandle hive, std::string_view path,
                                                                 std::string_view name) const {
    const NodePtr root = hive_root(hive);
    if (!root) return std::nullopt;
    RegStatus status;
    const NodePtr node = find(root, path, status);
    if (!node) return std::nullopt;
    const auto* v = node->value(name);
    if (!v) return std::nullopt;
    return v->second;
}

void MemoryRegistry::put_key(RegKeyHandle hive, std::string_view path) {
    make_path(hive_root(hive), path);
}

void MemoryRegistry::put_value(RegKeyHandle hive, std::string_view path, std::string_view name, RegType type,
                               std::string_view data) {
    const NodePtr node = make_path(hive_root(hive), path);
    if (!node) return;
    node->assign(name, StoredValue{type, std::string(data)});
    ++generation_;
}

std::vector<std::string> MemoryRegistry::value_names(RegKeyHandle hive, std::string_view path) const {
    std::vector<std::string> names;
    const NodePtr root = hive_root(hive);
    if (!root) return names;
    RegStatus status;
    const NodePtr node = find(root, path, status);
    if (!node) return names;
    for (const auto& v : node->values)
        names.push_back(v.first);
    return names;
}

void MemoryRegistry::visit(const KeyVisitor& visitor) const {
    for (std::size_t i = 0; i < hives_.size(); ++i) {
        const RegKeyHandle hive = reg_hive::kClassesRoot + i;
        for (const auto& child : hives_[i]->children)
            visit_node(*child, hive, child->name, visitor);
    }
}

void MemoryRegistry::visit_node(const Node& node, RegKeyHandle hive, const std::string& path,
                                const KeyVisitor& visitor) const {
    visitor(hive, path, node.values);
    for (const auto& child : node.children)
        visit_node(*child, hive, path + "\\" + child->name, visitor);
}

}  // namespace corvel
