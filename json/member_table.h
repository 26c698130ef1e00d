#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_ref.h"

namespace json {

struct AvlNode {
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;

  AvlNode* greater = nullptr;
  AvlNode* lesser = nullptr;
  int balance = 0;  // height of the greater side minus height of the lesser side
  std::uint32_t hash = 0;
  std::u16string name;
  JsonRef value;
};

// The members of an object value: an AVL tree ordered by descending name hash and then by
// ascending name. Its walk order is the order in which members are written.
class MemberTable {
 public:
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;

  MemberTable() = default;
  MemberTable(const MemberTable&) = delete;
  MemberTable& operator=(const MemberTable&) = delete;
  ~MemberTable();

  static std::uint32_t hashName(std::u16string_view name);

  // Replaces the value of an existing member of that name, or adds the member.
  void store(std::u16string name, JsonRef value);
  [[nodiscard]] JsonRef find(std::u16string_view name) const;
  [[nodiscard]] bool contains(std::u16string_view name) const;
  // Removes the member and gives its value; no value when there is no such member.
  JsonRef remove(std::u16string_view name);

  [[nodiscard]] std::size_t memberCount() const { return memberCount_; }
  // Links a table whose value died into the list of those still to free.
  [[nodiscard]] MemberTable* nextDying() const { return nextDying_; }
  void setNextDying(MemberTable* next) { nextDying_ = next; }
  [[nodiscard]] const AvlNode* root() const { return root_; }

  // Calls visit(const AvlNode&) for every member in walk order.
  template <typename Visit>
  void forEach(Visit&& visit) const {
    walk(root_, visit);
  }

 private:
  template <typename Visit>
  static void walk(const AvlNode* node, Visit& visit) {
    while (node != nullptr) {
      walk(node->lesser, visit);
      visit(*node);
      node = node->greater;
    }
  }

  [[nodiscard]] const AvlNode* findNode(std::u16string_view name) const;

  AvlNode* root_ = nullptr;
  union {
    std::size_t memberCount_ = 0;
    MemberTable* nextDying_;  // once the value is gone
  };
};

}  // namespace json
