// The tree control: items with texts, item data and children; one
// selection.
#include <algorithm>

#include "ctl_controls.h"

struct FwTreeItem {
  CString text;
  DWORD_PTR data = 0;
  FwTreeItem* parent = nullptr;
  std::vector<std::unique_ptr<FwTreeItem>> children;
};

namespace {

std::vector<std::unique_ptr<FwTreeItem>>& SiblingsOf(std::vector<std::unique_ptr<FwTreeItem>>& roots,
                                                     FwTreeItem* item) {
  return item->parent == nullptr ? roots : item->parent->children;
}

UINT CountBelow(const std::vector<std::unique_ptr<FwTreeItem>>& items) {
  UINT count = 0;
  for (const auto& item : items) count += 1 + CountBelow(item->children);
  return count;
}

bool Contains(const std::vector<std::unique_ptr<FwTreeItem>>& items, const FwTreeItem* wanted) {
  for (const auto& item : items)
    if (item.get() == wanted || Contains(item->children, wanted)) return true;
  return false;
}

}  // namespace

CTreeCtrl::CTreeCtrl() : CWnd(FwControlKind::TreeCtrl) {}
CTreeCtrl::~CTreeCtrl() = default;

bool CTreeCtrl::Holds(HTREEITEM item) const {
  return item != nullptr && item != TVI_ROOT && item != TVI_LAST && Contains(roots_, item);
}

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, HTREEITEM parent, HTREEITEM after) {
  FwTreeItem* owner = parent == TVI_ROOT || parent == nullptr ? nullptr : parent;
  if (owner != nullptr && !Holds(owner)) return nullptr;
  auto& siblings = owner == nullptr ? roots_ : owner->children;
  auto item = std::make_unique<FwTreeItem>();
  item->text = text;
  item->parent = owner;
  auto place = siblings.end();
  if (after != TVI_LAST) {
    place = std::find_if(siblings.begin(), siblings.end(), [after](const auto& s) { return s.get() == after; });
    if (place != siblings.end()) ++place;
  }
  return siblings.insert(place, std::move(item))->get();
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
  if (item == TVI_ROOT) return DeleteAllItems();
  if (!Holds(item)) return FALSE;
  if (selected_ == item || (selected_ != nullptr && Contains(item->children, selected_))) selected_ = nullptr;
  auto& siblings = SiblingsOf(roots_, item);
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [item](const auto& s) { return s.get() == item; }));
  return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
  roots_.clear();
  selected_ = nullptr;
  return TRUE;
}

UINT CTreeCtrl::GetCount() const { return CountBelow(roots_); }

CString CTreeCtrl::GetItemText(HTREEITEM item) const { return Holds(item) ? item->text : CString(); }

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCTSTR text) {
  if (!Holds(item)) return FALSE;
  item->text = text;
  return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const { return Holds(item) ? item->data : 0; }

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  if (!Holds(item)) return FALSE;
  item->data = data;
  return TRUE;
}

HTREEITEM CTreeCtrl::GetRootItem() const { return roots_.empty() ? nullptr : roots_.front().get(); }

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  if (item == TVI_ROOT || item == nullptr) return GetRootItem();
  if (!Holds(item) || item->children.empty()) return nullptr;
  return item->children.front().get();
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  if (!Holds(item)) return nullptr;
  const auto& siblings = item->parent == nullptr ? roots_ : item->parent->children;
  auto at = std::find_if(siblings.begin(), siblings.end(), [item](const auto& s) { return s.get() == item; });
  return at + 1 == siblings.end() ? nullptr : (at + 1)->get();
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const { return Holds(item) ? item->parent : nullptr; }

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
  if (item != nullptr && !Holds(item)) return FALSE;
  selected_ = item;
  return TRUE;
}

HTREEITEM CTreeCtrl::FindPath(const CString& path) const {
  const std::vector<std::unique_ptr<FwTreeItem>>* level = &roots_;
  HTREEITEM found = nullptr;
  CString rest = path;
  while (!rest.IsEmpty()) {
    int cut = rest.Find('\\');
    CString step = cut < 0 ? rest : rest.Left(cut);
    rest = cut < 0 ? CString() : rest.Mid(cut + 1);
    auto at = std::find_if(level->begin(), level->end(), [&step](const auto& s) { return s->text == step; });
    if (at == level->end()) return nullptr;
    found = at->get();
    level = &found->children;
  }
  return found;
}

CString CTreeCtrl::PathOf(HTREEITEM item) const {
  if (!Holds(item)) return CString();
  CString path = item->text;
  for (FwTreeItem* up = item->parent; up != nullptr; up = up->parent) path = up->text + "\\" + path;
  return path;
}
