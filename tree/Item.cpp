// SPDX-License-Identifier: MIT
#include "tree/Item.h"

#include "tree/Archive.h"
#include "tree/ItemObserver.h"
#include "tree/ObserverSwitch.h"
#include "tree/TreeState.h"

#include <algorithm>
#include <unordered_map>

const std::string SEPARATOR_TEXT(71, '-');
const std::string ROOT_FOLDER_NAME = "Root";

namespace {

// Record type tags.
constexpr std::int32_t TAG_SEPARATOR = 0;
constexpr std::int32_t TAG_FOLDER = 1;
constexpr std::int32_t TAG_ENTRY = 2;
constexpr std::int32_t TAG_BLANK = 3;

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Every item placed into a folder gets a switch between the level observer
// of its depth and a menu observer with a new empty menu of its own.
std::unique_ptr<CItemObserver> MakeItemObserver(CItemObserver* level) {
    return std::make_unique<CObserverSwitch>(level);
}

// The folder levels item brings along: 0 for anything but a folder, else 1
// for the folder and one more for each level of folders below it.
int FolderHeight(const CItem& item) {
    if (!ExactKind<CFolder>(&item))
        return 0;
    if (item.GetCount() == 0)
        return 1; // what reading and naming add
    int height = 0;
    std::vector<std::pair<const CItem*, int>> pending{{&item, 1}};
    while (!pending.empty()) {
        const auto [folder, level] = pending.back();
        pending.pop_back();
        height = std::max(height, level);
        for (int i = 0; i < folder->GetCount(); ++i)
            if (const CItem* child = folder->GetChild(i); ExactKind<CFolder>(child))
                pending.emplace_back(child, level + 1);
    }
    return height;
}

// The level below level, made when it does not exist yet.
CItemObserver* NextLevelOf(CItemObserver* level) {
    if (!level)
        return nullptr;
    if (!level->GetNextLevel())
        level->SetNextLevel(std::make_unique<CColumnObserver>());
    return level->GetNextLevel();
}

// Nothing that shows items may keep pointing into a subtree that leaves the
// tree alive. Iterative: a subtree may be deep.
void ForgetSubtree(const CItem& root) {
    std::vector<const CItem*> pending{&root};
    while (!pending.empty()) {
        const CItem* item = pending.back();
        pending.pop_back();
        ForgetTreeItem(item);
        if (item->IsContainer())
            for (int i = 0; i < item->GetCount(); ++i)
                pending.push_back(item->GetChild(i));
    }
}

} // namespace

std::string TrimWhiteSpace(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// ---------------------------------------------------------------- CItem

CItem::CItem(std::string name) : m_strName(std::move(name)) {}

CItem::~CItem() {
    ForgetTreeItem(this);
}

void CItem::SetObserver(std::unique_ptr<CItemObserver> observer) {
    if (!m_pObserver)
        m_pObserver = std::move(observer);
}

void CItem::Show(int) {}

void CItem::Hide(int) {
    if (m_pObserver)
        m_pObserver->ShowDetail(std::string(), false);
}

void CItem::MoveUp(int) {}
void CItem::MoveDown(int) {}
void CItem::Select(int) {}
void CItem::Remove(int) {}
void CItem::Insert(int, std::unique_ptr<CItem>) {}
void CItem::Rename(int, const std::string&) {}
CItem* CItem::GetChild(int) const {
    return nullptr;
}
int CItem::GetCount() const {
    return -1;
}
bool CItem::IsContainer() const {
    return false;
}
std::string CItem::GetTarget() const {
    return std::string();
}
void CItem::SetTarget(const std::string&) {}

void CItem::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar.WriteInt(TAG_SEPARATOR);
}

// ---------------------------------------------------------------- CFolder

CFolder::CFolder(std::string name) : CItem(std::move(name)) {}

CFolder::~CFolder() {
    // Children first, in order, then the observer and the name (as CItem).
    for (auto& child : m_children)
        child.reset();
    m_children.clear();
}

void CFolder::Show(int scope) {
    if (m_pObserver) {
        m_pObserver->SetSubject(this);
        m_pObserver->ShowDetail(std::string(), false);
    }
    // The count is read on every round: a child's Show may not change it, but
    // nothing is assumed.
    for (int i = 0; i < GetCount(); ++i) {
        if (m_pObserver)
            m_pObserver->OnChildAdded(i);
        if (scope == SCOPE_TREE)
            if (CItem* child = GetChild(i))
                child->Show(SCOPE_TREE);
    }
    if (scope == SCOPE_PATH && InRange(m_nCurrent)) {
        const int current = m_nCurrent;
        if (m_pObserver)
            m_pObserver->SelectRow(current);
        // The selection exchange may have moved the current index; the path
        // goes on through the child that was current.
        if (CItem* child = GetChild(current)) {
            child->Hide(SCOPE_LEVEL);
            child->Show(SCOPE_PATH);
        }
    }
}

void CFolder::Hide(int scope) {
    if (scope == SCOPE_TREE) {
        for (int i = 0; i < GetCount(); ++i)
            m_children[static_cast<std::size_t>(i)]->Hide(SCOPE_TREE);
    } else if (CItem* child = GetChild(m_nCurrent)) {
        child->Hide(SCOPE_LEVEL);
    }
    if (m_pObserver)
        m_pObserver->Clear();
}

void CFolder::Select(int index) {
    if (CItem* previous = GetChild(m_nCurrent))
        previous->Hide(SCOPE_LEVEL);
    // Current before the row is selected: the list reports the selection and
    // re-enters here, and must find the child it hides before it is shown
    // again (else a folder's rows would be listed twice).
    m_nCurrent = index;
    if (CItem* child = GetChild(index)) {
        child->Show(SCOPE_LEVEL);
        if (m_pObserver)
            m_pObserver->SelectRow(index);
    }
}

bool CFolder::Fits(const CItem& item) const {
    return m_nDepth + FolderHeight(item) <= MAX_FOLDER_DEPTH;
}

void CFolder::Adopt(CItem& item) {
    // The depths: item's folders below this one, without recursion.
    if (auto* folder = ExactKind<CFolder>(&item); folder && folder->m_children.empty()) {
        folder->m_nDepth = m_nDepth + 1;
    } else if (folder) {
        std::vector<std::pair<CFolder*, int>> pending{{folder, m_nDepth + 1}};
        while (!pending.empty()) {
            const auto [each, depth] = pending.back();
            pending.pop_back();
            each->m_nDepth = depth;
            for (auto& child : each->m_children)
                if (auto* sub = ExactKind<CFolder>(child.get()))
                    pending.emplace_back(sub, depth + 1);
        }
    }

    // A blank entry is held by the folder it is in.
    if (auto* entry = ExactKind<CEntry>(&item); entry && entry->IsBlank())
        entry->m_pParent = this;
    // An item built with content before it had observers, or one taken out
    // of the tree, gets its whole subtree moved to the levels of this depth.
    if (!item.GetObserver())
        item.SetObserver(MakeItemObserver(nullptr));
    MoveToLevel(item, NextLevelOf(m_pObserver.get()));
}

void CFolder::MoveToLevel(CItem& item, CItemObserver* level) {
    auto* route = dynamic_cast<CObserverSwitch*>(item.GetObserver());
    if (!route || route->GetLevel() == level)
        return; // the subtree below is already at the right depths
    route->SetLevel(level);
    if (auto* folder = ExactKind<CFolder>(&item); folder && !folder->m_children.empty()) {
        CItemObserver* next = NextLevelOf(level);
        for (auto& child : folder->m_children)
            MoveToLevel(*child, next);
    }
}

void CFolder::Insert(int index, std::unique_ptr<CItem> item) {
    if (!item)
        return;
    const int count = GetCount();
    if (index < -1 || index > count)
        return; // callers never pass these; ignore rather than guess
    if (!Fits(*item))
        return;
    Adopt(*item);
    int position;
    if (index == -1) {
        position = count;
        m_children.push_back(std::move(item));
    } else if (index < count) {
        position = index;
        m_children.insert(m_children.begin() + index, std::move(item));
        m_nCurrent = index + 1; // the child that was at index stays current
    } else {
        position = count;
        m_children.push_back(std::move(item));
        m_nCurrent = count + 1;
    }
    Hide(SCOPE_LEVEL);
    Show(SCOPE_LEVEL);
    Select(position);
    NoteTreeChange();
}

void CFolder::Append(std::unique_ptr<CItem> item) {
    if (!item || !Fits(*item))
        return;
    Adopt(*item);
    m_children.push_back(std::move(item));
}

void CFolder::Remove(int index) {
    if (!InRange(index))
        return;
    Hide(SCOPE_LEVEL);
    std::unique_ptr<CItem> gone = std::move(m_children[static_cast<std::size_t>(index)]);
    m_children.erase(m_children.begin() + index);
    gone.reset();
    Show(SCOPE_LEVEL);
    Select(index > 0 ? index - 1 : 0);
    NoteTreeChange();
}

std::unique_ptr<CItem> CFolder::Take(int index) {
    if (!InRange(index))
        return nullptr;
    Hide(SCOPE_LEVEL);
    std::unique_ptr<CItem> taken = std::move(m_children[static_cast<std::size_t>(index)]);
    m_children.erase(m_children.begin() + index);
    ForgetSubtree(*taken);
    Show(SCOPE_LEVEL);
    Select(index > 0 ? index - 1 : 0);
    NoteTreeChange();
    return taken;
}

void CFolder::SetChildName(int index, std::string name) {
    if (!InRange(index))
        return;
    CItem& child = *m_children[static_cast<std::size_t>(index)];
    const bool changed = child.GetName() != name;
    child.SetName(std::move(name));
    if (m_pObserver)
        m_pObserver->Clear();
    Show(SCOPE_LEVEL);
    Select(index);
    if (changed)
        NoteTreeChange();
}

void CFolder::Reorder(const std::vector<CItem*>& order) {
    if (order.size() != m_children.size())
        return;
    std::unordered_map<const CItem*, std::size_t> where;
    where.reserve(m_children.size());
    for (std::size_t i = 0; i < m_children.size(); ++i)
        where.emplace(m_children[i].get(), i);
    std::vector<bool> used(m_children.size(), false);
    bool changed = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto it = where.find(order[i]);
        if (it == where.end() || used[it->second])
            return;
        used[it->second] = true;
        changed = changed || it->second != i;
    }
    const CItem* current = GetChild(m_nCurrent);
    Hide(SCOPE_LEVEL);
    std::vector<std::unique_ptr<CItem>> sorted(m_children.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = std::move(m_children[where[order[i]]]);
    m_children = std::move(sorted);
    m_nCurrent = current ? IndexOf(current) : -1;
    Show(SCOPE_LEVEL);
    if (current)
        Select(m_nCurrent);
    if (changed)
        NoteTreeChange();
}

int CFolder::IndexOf(const CItem* item) const {
    for (std::size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void CFolder::Rename(int index, const std::string& name) {
    std::string trimmed = TrimWhiteSpace(name);
    if (!trimmed.empty())
        SetChildName(index, std::move(trimmed));
}

void CFolder::MoveUp(int index) {
    if (index <= 0 || index >= GetCount())
        return;
    std::swap(m_children[static_cast<std::size_t>(index)],
              m_children[static_cast<std::size_t>(index - 1)]);
    m_nCurrent = index - 1;
    if (m_pObserver)
        m_pObserver->Clear();
    Show(SCOPE_LEVEL);
    Select(index - 1);
    NoteTreeChange();
}

void CFolder::MoveDown(int index) {
    if (index < 0 || index >= GetCount() - 1)
        return;
    std::swap(m_children[static_cast<std::size_t>(index)],
              m_children[static_cast<std::size_t>(index) + 1]);
    m_nCurrent = index + 1;
    if (m_pObserver)
        m_pObserver->Clear();
    Show(SCOPE_LEVEL);
    Select(index + 1);
    NoteTreeChange();
}

std::unique_ptr<CItem> CFolder::Detach(const CItem* child, int* position) {
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == child) {
            std::unique_ptr<CItem> taken = std::move(m_children[i]);
            m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(i));
            *position = static_cast<int>(i);
            return taken;
        }
    }
    return nullptr;
}

void CFolder::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt(TAG_FOLDER);
        ar.WriteString(m_strName);
        ar.WriteInt(GetCount());
        for (auto& child : m_children)
            child->Serialize(ar);
    } else {
        Load(ar);
    }
}

void CFolder::Load(CArchive& ar) {
    // The count is only a loop bound: every child is read before it is
    // stored, so a damaged count ends in the archive's end of file.
    const std::int32_t count = ar.ReadInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t tag = ar.ReadInt();
        if (tag == TAG_SEPARATOR) {
            Append(std::make_unique<CItem>(SEPARATOR_TEXT));
        } else if (tag == TAG_FOLDER) {
            if (m_nDepth >= MAX_FOLDER_DEPTH)
                throw CArchiveException(CArchiveException::BadFormat, "folders nested too deep");
            std::string name = ar.ReadString();
            auto folder = std::make_unique<CFolder>(std::move(name));
            CFolder* loaded = folder.get();
            Append(std::move(folder));
            loaded->Load(ar);
        } else if (tag == TAG_ENTRY) {
            std::string name = ar.ReadString();
            std::string target = ar.ReadString();
            Append(std::make_unique<CEntry>(std::move(name), std::move(target), nullptr));
        } else {
            std::string name = ar.ReadString();
            Append(std::make_unique<CEntry>(std::move(name), std::string(), this));
        }
    }
}

// ---------------------------------------------------------------- CEntry

CEntry::CEntry(std::string name, std::string target, CItem* holder)
    : CItem(std::move(name)), m_pParent(holder), m_strTarget(std::move(target)) {}

CEntry::~CEntry() = default;

void CEntry::Show(int) {
    if (m_pObserver) {
        m_pObserver->SetSubject(this);
        m_pObserver->ShowDetail(m_strTarget, true);
    }
}

void CEntry::SetTarget(const std::string& target) {
    std::string trimmed = TrimWhiteSpace(target);
    if (trimmed.empty() || trimmed == m_strTarget)
        return;
    if (m_strTarget.empty())
        m_pParent = nullptr;
    m_strTarget = std::move(trimmed);
    NoteTreeChange();
}

void CEntry::RestoreTarget(std::string target, CItem* holder) {
    if (target == m_strTarget && holder == m_pParent)
        return;
    m_pParent = holder;
    m_strTarget = std::move(target);
    NoteTreeChange();
}

void CEntry::Insert(int, std::unique_ptr<CItem> item) {
    auto* parent = dynamic_cast<CFolder*>(m_pParent);
    // Refused before anything is taken apart: a folder here would be too deep.
    if (!parent || !item || parent->m_nDepth >= MAX_FOLDER_DEPTH)
        return;
    int position = -1;
    std::unique_ptr<CItem> self = parent->Detach(this, &position);
    if (!self)
        return;
    auto folder = std::make_unique<CFolder>(m_strName);
    CFolder* made = folder.get();
    parent->Insert(position, std::move(folder));
    made->Insert(-1, std::make_unique<CEntry>(item->GetName(), std::string(), made));
    // item (only its name was used) and this entry are destroyed on return;
    // nothing below touches this object any more.
}

void CEntry::Serialize(CArchive& ar) {
    if (!ar.IsStoring())
        return;
    if (m_pParent) {
        ar.WriteInt(TAG_BLANK);
        ar.WriteString(m_strName);
    } else {
        ar.WriteInt(TAG_ENTRY);
        ar.WriteString(m_strName);
        ar.WriteString(m_strTarget);
    }
}
