// FwList: the framework's doubly linked list shape {head, tail, count, free
// nodes, block chain, block size} after the CObject header, over an
// allocation policy (fw_alloc_policy.h). Nodes come from blocks of
// block-size nodes, handed out in address order; removing the last node
// frees every block. Positions are not checked.
#pragma once

#include <new>

#include "fw_alloc_policy.h"
#include "fw_object.h"

template <class TYPE, class ARG_TYPE, class Alloc = FwHeapAlloc>
class FwList : public CObject {
 public:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };

  explicit FwList(int blockSize = 10) : m_nBlockSize(blockSize) {}
  ~FwList() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  TYPE& GetHead() { return m_pNodeHead->data; }
  TYPE GetHead() const { return m_pNodeHead->data; }
  TYPE& GetTail() { return m_pNodeTail->data; }
  TYPE GetTail() const { return m_pNodeTail->data; }

  TYPE RemoveHead() {
    CNode* old = m_pNodeHead;
    TYPE value = old->data;
    m_pNodeHead = old->pNext;
    if (m_pNodeHead != nullptr) m_pNodeHead->pPrev = nullptr;
    else m_pNodeTail = nullptr;
    FreeNode(old);
    return value;
  }

  TYPE RemoveTail() {
    CNode* old = m_pNodeTail;
    TYPE value = old->data;
    m_pNodeTail = old->pPrev;
    if (m_pNodeTail != nullptr) m_pNodeTail->pNext = nullptr;
    else m_pNodeHead = nullptr;
    FreeNode(old);
    return value;
  }

  POSITION AddHead(ARG_TYPE element) {
    CNode* node = NewNode(nullptr, m_pNodeHead);
    node->data = element;
    if (m_pNodeHead != nullptr) m_pNodeHead->pPrev = node;
    else m_pNodeTail = node;
    m_pNodeHead = node;
    return Position(node);
  }

  POSITION AddTail(ARG_TYPE element) {
    CNode* node = NewNode(m_pNodeTail, nullptr);
    node->data = element;
    if (m_pNodeTail != nullptr) m_pNodeTail->pNext = node;
    else m_pNodeHead = node;
    m_pNodeTail = node;
    return Position(node);
  }

  // Adds the elements of another list, keeping their order.
  void AddHead(FwList* other) { AddHeadFrom(*other); }
  void AddTail(FwList* other) { AddTailFrom(*other); }

  void RemoveAll() {
    for (CNode* node = m_pNodeHead; node != nullptr; node = node->pNext) node->data.~TYPE();
    m_nCount = 0;
    m_pNodeHead = m_pNodeTail = m_pNodeFree = nullptr;
    Alloc::FreeChain(m_pBlocks);
    m_pBlocks = nullptr;
  }

  POSITION GetHeadPosition() const { return Position(m_pNodeHead); }
  POSITION GetTailPosition() const { return Position(m_pNodeTail); }

  // The element at position; position moves to the next (previous) node,
  // null after the last (first).
  TYPE& GetNext(POSITION& position) { return Step(position, &CNode::pNext)->data; }
  TYPE GetNext(POSITION& position) const { return Step(position, &CNode::pNext)->data; }
  TYPE& GetPrev(POSITION& position) { return Step(position, &CNode::pPrev)->data; }
  TYPE GetPrev(POSITION& position) const { return Step(position, &CNode::pPrev)->data; }

  TYPE& GetAt(POSITION position) { return Node(position)->data; }
  TYPE GetAt(POSITION position) const { return Node(position)->data; }
  void SetAt(POSITION position, ARG_TYPE element) { Node(position)->data = element; }

  void RemoveAt(POSITION position) {
    CNode* old = Node(position);
    if (old == m_pNodeHead) m_pNodeHead = old->pNext;
    else old->pPrev->pNext = old->pNext;
    if (old == m_pNodeTail) m_pNodeTail = old->pPrev;
    else old->pNext->pPrev = old->pPrev;
    FreeNode(old);
  }

  POSITION InsertBefore(POSITION position, ARG_TYPE element) {
    if (position == nullptr) return AddHead(element);
    CNode* old = Node(position);
    CNode* node = NewNode(old->pPrev, old);
    node->data = element;
    if (old->pPrev != nullptr) old->pPrev->pNext = node;
    else m_pNodeHead = node;
    old->pPrev = node;
    return Position(node);
  }

  POSITION InsertAfter(POSITION position, ARG_TYPE element) {
    if (position == nullptr) return AddTail(element);
    CNode* old = Node(position);
    CNode* node = NewNode(old, old->pNext);
    node->data = element;
    if (old->pNext != nullptr) old->pNext->pPrev = node;
    else m_pNodeTail = node;
    old->pNext = node;
    return Position(node);
  }

  // The first element equal to value after startAfter (null: from the
  // head), or null.
  POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const {
    CNode* node = startAfter == nullptr ? m_pNodeHead : Node(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext) {
      if (node->data == value) return Position(node);
    }
    return nullptr;
  }

  // The position of element index (from 0), or null when out of range.
  POSITION FindIndex(int index) const {
    if (index < 0 || index >= m_nCount) return nullptr;
    CNode* node = m_pNodeHead;
    while (index-- > 0) node = node->pNext;
    return Position(node);
  }

 protected:
  template <class SOURCE>
  void AddHeadFrom(const SOURCE& other) {
    POSITION position = other.GetTailPosition();
    while (position != nullptr) AddHead(other.GetPrev(position));
  }

  template <class SOURCE>
  void AddTailFrom(const SOURCE& other) {
    POSITION position = other.GetHeadPosition();
    while (position != nullptr) AddTail(other.GetNext(position));
  }

  static POSITION Position(CNode* node) { return reinterpret_cast<POSITION>(node); }
  static CNode* Node(POSITION position) { return reinterpret_cast<CNode*>(position); }
  // The node at position; position moves along link (pNext or pPrev).
  static CNode* Step(POSITION& position, CNode* CNode::*link) {
    CNode* node = Node(position);
    position = Position(node->*link);
    return node;
  }

  CNode* NewNode(CNode* prev, CNode* next) {
    if (m_pNodeFree == nullptr) {
      CNode* block = Alloc::template NewBlock<CNode>(m_pBlocks, m_nBlockSize, this);
      for (int i = m_nBlockSize - 1; i >= 0; --i) {
        block[i].pNext = m_pNodeFree;
        m_pNodeFree = &block[i];
      }
    }
    CNode* node = m_pNodeFree;
    m_pNodeFree = node->pNext;
    node->pPrev = prev;
    node->pNext = next;
    ++m_nCount;
    new (static_cast<void*>(&node->data)) TYPE();
    return node;
  }

  void FreeNode(CNode* node) {
    node->data.~TYPE();
    node->pNext = m_pNodeFree;
    m_pNodeFree = node;
    if (--m_nCount == 0) RemoveAll();
  }

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  int m_nCount = 0;
  CNode* m_pNodeFree = nullptr;
  FwPlex* m_pBlocks = nullptr;
  int m_nBlockSize;
};
