#include "json/member_table.h"

#include <algorithm>

#include "json/detail/block_pool.h"

namespace json {

void* AvlNode::operator new(std::size_t /*size*/) {
  return detail::BlockPool<sizeof(AvlNode)>::allocate();
}

void AvlNode::operator delete(void* block) noexcept {
  detail::BlockPool<sizeof(AvlNode)>::release(block);
}

namespace {

// Negative when a key (hash, name) lies on the lesser side of the node.
int compareKey(std::uint32_t hash, std::u16string_view name, const AvlNode& node) {
  if (hash != node.hash) return hash > node.hash ? -1 : 1;
  const int order = name.compare(node.name);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Rotations keep the balance factors right for any starting balance.
AvlNode* rotateLesserUp(AvlNode* node) {
  AvlNode* lesser = node->lesser;
  node->lesser = lesser->greater;
  lesser->greater = node;
  node->balance = node->balance + 1 - std::min(lesser->balance, 0);
  lesser->balance = lesser->balance + 1 + std::max(node->balance, 0);
  return lesser;
}

AvlNode* rotateGreaterUp(AvlNode* node) {
  AvlNode* greater = node->greater;
  node->greater = greater->lesser;
  greater->lesser = node;
  node->balance = node->balance - 1 - std::max(greater->balance, 0);
  greater->balance = greater->balance - 1 + std::min(node->balance, 0);
  return greater;
}

// Restores a node whose balance reached -2 or +2.
AvlNode* rebalance(AvlNode* node) {
  if (node->balance < -1) {
    if (node->lesser->balance > 0) node->lesser = rotateGreaterUp(node->lesser);
    return rotateLesserUp(node);
  }
  if (node->greater->balance < 0) node->greater = rotateLesserUp(node->greater);
  return rotateGreaterUp(node);
}

// Inserts or replaces; returns true when the subtree grew in height.
bool insert(AvlNode*& node, AvlNode* added, bool& replaced) {
  if (node == nullptr) {
    node = added;
    return true;
  }
  const int order = compareKey(added->hash, added->name, *node);
  if (order == 0) {
    node->value = std::move(added->value);
    replaced = true;
    return false;
  }
  AvlNode*& child = order < 0 ? node->lesser : node->greater;
  if (!insert(child, added, replaced)) return false;
  node->balance += order < 0 ? -1 : 1;
  if (node->balance == 0) return false;
  if (node->balance == 1 || node->balance == -1) return true;
  node = rebalance(node);
  return false;
}

// After one side of node lost height: returns true when node's subtree lost height too.
bool shrankOn(AvlNode*& node, bool lesserSide) {
  node->balance += lesserSide ? 1 : -1;
  if (node->balance == 0) return true;
  if (node->balance == 1 || node->balance == -1) return false;
  node = rebalance(node);
  return node->balance == 0;
}

bool detachLeast(AvlNode*& node, AvlNode*& least) {
  if (node->lesser == nullptr) {
    least = node;
    node = node->greater;
    return true;
  }
  return detachLeast(node->lesser, least) && shrankOn(node, true);
}

bool erase(AvlNode*& node, std::uint32_t hash, std::u16string_view name, AvlNode*& removed) {
  if (node == nullptr) return false;
  const int order = compareKey(hash, name, *node);
  if (order != 0) {
    AvlNode*& child = order < 0 ? node->lesser : node->greater;
    return erase(child, hash, name, removed) && shrankOn(node, order < 0);
  }
  removed = node;
  if (node->lesser == nullptr || node->greater == nullptr) {
    node = node->lesser != nullptr ? node->lesser : node->greater;
    return true;
  }
  AvlNode* successor = nullptr;
  const bool greaterShrank = detachLeast(node->greater, successor);
  successor->lesser = node->lesser;
  successor->greater = node->greater;
  successor->balance = node->balance;
  node = successor;
  return greaterShrank && shrankOn(node, false);
}

void deleteTree(AvlNode* node) {
  while (node != nullptr) {
    deleteTree(node->lesser);
    AvlNode* greater = node->greater;
    delete node;
    node = greater;
  }
}

}  // namespace

MemberTable::~MemberTable() { deleteTree(root_); }

std::uint32_t MemberTable::hashName(std::u16string_view name) {
  std::uint32_t hash = 0;
  for (char16_t unit : name) hash = hash * 129U + unit + 0x9E370001U;
  return hash;
}

void MemberTable::store(std::u16string name, JsonRef value) {
  auto* added = new AvlNode();
  added->hash = hashName(name);
  added->name = std::move(name);
  added->value = std::move(value);
  bool replaced = false;
  insert(root_, added, replaced);
  if (replaced) {
    delete added;
  } else {
    ++memberCount_;
  }
}

const AvlNode* MemberTable::findNode(std::u16string_view name) const {
  const std::uint32_t hash = hashName(name);
  const AvlNode* node = root_;
  while (node != nullptr) {
    const int order = compareKey(hash, name, *node);
    if (order == 0) return node;
    node = order < 0 ? node->lesser : node->greater;
  }
  return nullptr;
}

JsonRef MemberTable::find(std::u16string_view name) const {
  const AvlNode* node = findNode(name);
  return node != nullptr ? node->value : JsonRef();
}

bool MemberTable::contains(std::u16string_view name) const { return findNode(name) != nullptr; }

JsonRef MemberTable::remove(std::u16string_view name) {
  AvlNode* removed = nullptr;
  erase(root_, hashName(name), name, removed);
  if (removed == nullptr) return {};
  JsonRef value = std::move(removed->value);
  delete removed;
  --memberCount_;
  return value;
}

}  // namespace json
