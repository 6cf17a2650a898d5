// SPDX-License-Identifier: MIT
#pragma once
// The bookmark tree: folders holding an ordered list of items. An item is a
// folder, an entry (a name and a target the shell opens), a blank entry (an
// entry without a target yet, which turns into a folder when something is
// inserted into it) or a separator line (a plain CItem named SEPARATOR_TEXT).
//
// Each item owns one observer (tree/ItemObserver.h) and reports everything it
// displays through it; no operation returns an error. Indexes are row numbers
// of the list that shows the folder, -1 meaning no row; every operation
// checks its index and silently ignores one it cannot use, as it ignores
// names and targets that are empty after trimming white space and an item
// that would nest folders deeper than MAX_FOLDER_DEPTH. Each change is
// announced with NoteTreeChange (tree/TreeState.h).
//
// Show/Hide scope: SCOPE_LEVEL this item's own level, SCOPE_PATH this level
// and the path of selected children below it, SCOPE_TREE the whole subtree.

#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

class CArchive;
class CItemObserver;
class CFolder;

// A separator is recognised by this name alone (71 hyphen-minus characters).
extern const std::string SEPARATOR_TEXT;

// The top folder's name, as StartTree gives it. Nothing else depends on it: a
// folder the user names so below the top is like any other.
extern const std::string ROOT_FOLDER_NAME;

constexpr int SCOPE_LEVEL = 0;
constexpr int SCOPE_PATH = 1;
constexpr int SCOPE_TREE = 2;

// How deep folders nest: a folder's depth is 0 when no folder holds it (the
// top folder), else one more than its holder's. Reading takes a folder record
// deeper than this for a damaged file (CArchiveException::BadFormat); Insert
// and Append refuse an item that would put a folder deeper, so every tree
// that can be saved can be read again.
constexpr int MAX_FOLDER_DEPTH = 256;

// Trims space, tab, line feed, vertical tab, form feed and carriage return at
// both ends.
std::string TrimWhiteSpace(const std::string& text);

class CItem {
public:
    explicit CItem(std::string name);
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;
    virtual ~CItem();

    virtual void Show(int scope);
    virtual void Hide(int scope);
    virtual void MoveUp(int index);
    virtual void MoveDown(int index);
    virtual void Select(int index);
    virtual void Remove(int index);
    // A container takes item; anything else destroys it unused.
    virtual void Insert(int index, std::unique_ptr<CItem> item);
    virtual void Rename(int index, const std::string& name);
    virtual CItem* GetChild(int index) const;
    virtual int GetCount() const;
    virtual bool IsContainer() const;
    // Storing: writes this item's record. Loading: a folder reads its child
    // count and children (its tag and name were read by whoever made it);
    // other items read nothing.
    virtual void Serialize(CArchive& ar);
    virtual std::string GetTarget() const;
    virtual void SetTarget(const std::string& target);

    const std::string& GetName() const { return m_strName; }
    // Replaces the name without any notification.
    void SetName(std::string name) { m_strName = std::move(name); }
    bool IsSeparator() const { return m_strName == SEPARATOR_TEXT; }

    CItemObserver* GetObserver() const { return m_pObserver.get(); }
    // Gives the item its observer. Done once: by the folder that takes the
    // item, and by StartTree for the top folder.
    void SetObserver(std::unique_ptr<CItemObserver> observer);

protected:
    std::string m_strName;
    std::unique_ptr<CItemObserver> m_pObserver;
};

class CFolder final : public CItem {
public:
    explicit CFolder(std::string name);
    ~CFolder() override;

    void Show(int scope) override;
    void Hide(int scope) override;
    void MoveUp(int index) override;
    void MoveDown(int index) override;
    void Select(int index) override;
    void Remove(int index) override;
    void Insert(int index, std::unique_ptr<CItem> item) override;
    void Rename(int index, const std::string& name) override;
    // Inline: walks over a whole tree call these for every item.
    CItem* GetChild(int index) const override {
        return InRange(index) ? m_children[static_cast<std::size_t>(index)].get() : nullptr;
    }
    int GetCount() const override { return static_cast<int>(m_children.size()); }
    bool IsContainer() const override { return true; }
    void Serialize(CArchive& ar) override;

    // Adds a read item at the end with its observers, displaying nothing and
    // leaving the current index alone. Not a change (see NoteTreeChange).
    void Append(std::unique_ptr<CItem> item);

    int GetDepth() const { return m_nDepth; }
    // Whether item's folders stay within MAX_FOLDER_DEPTH as this one's child
    // (Insert and Append refuse, and destroy, an item that does not fit).
    bool Fits(const CItem& item) const;

    // Remove, but the child and everything below it are handed back instead
    // of destroyed; null for an index out of range. No observer or address
    // box keeps pointing into what was taken. Insert puts such an item back
    // (here or into another folder at any depth): items that already have
    // observers are moved to the levels of their new depth.
    std::unique_ptr<CItem> Take(int index);
    // Rename without trimming: puts a name back exactly as it was (undo).
    void SetChildName(int index, std::string name);
    // Puts the children in the given order, which must name every child
    // exactly once (otherwise nothing happens), and relists the folder with
    // the child that was current still selected.
    void Reorder(const std::vector<CItem*>& order);
    // The child's row, -1 when item is not a child of this folder.
    int IndexOf(const CItem* item) const;

    // The selected child's index; -1 at first. Not kept in range: it may be
    // -1 or past the last child.
    int GetCurrent() const { return m_nCurrent; }

private:
    friend class CEntry;

    bool InRange(int index) const { return index >= 0 && index < GetCount(); }
    // Gives item its observer and its folders their depths below this one.
    void Adopt(CItem& item);
    static void MoveToLevel(CItem& item, CItemObserver* level);
    void Load(CArchive& ar);
    std::unique_ptr<CItem> Detach(const CItem* child, int* position);

    int m_nDepth = 0;
    int m_nCurrent = -1;
    std::vector<std::unique_ptr<CItem>> m_children;
};

class CEntry final : public CItem {
public:
    // holder: the container the entry is being inserted into, for a blank
    // entry (empty target); null for an entry with a target.
    CEntry(std::string name, std::string target, CItem* holder);
    ~CEntry() override;

    void Show(int scope) override;
    // A blank entry turns into a folder of its name at its place, holding a
    // new blank entry named like item; the entry itself is destroyed.
    void Insert(int index, std::unique_ptr<CItem> item) override;
    bool IsContainer() const override { return m_pParent != nullptr; }
    void Serialize(CArchive& ar) override;
    std::string GetTarget() const override { return m_strTarget; }
    // The target without a copy, for whoever walks many entries.
    const std::string& Target() const { return m_strTarget; }
    // The first non-empty target makes a blank entry an entry for good; a
    // target can change but never become empty.
    void SetTarget(const std::string& target) override;

    bool IsBlank() const { return m_pParent != nullptr; }
    // Puts back a target exactly as it was (undo); holder: the container
    // that holds the entry when it was blank, null when it was not.
    void RestoreTarget(std::string target, CItem* holder);

private:
    friend class CFolder;

    CItem* m_pParent; // set exactly while blank, not owned
    std::string m_strTarget;
};

// What dynamic_cast<const T*> gives for T one of the final kinds (CFolder,
// CEntry), told by the exact type alone: for walks over every item of a large
// tree, where the cast's search of the class hierarchy shows.
template <class T> const T* ExactKind(const CItem* item) {
    static_assert(std::is_final_v<T>, "only a final kind is its exact type");
    return item != nullptr && typeid(*item) == typeid(T) ? static_cast<const T*>(item) : nullptr;
}
template <class T> T* ExactKind(CItem* item) {
    return const_cast<T*>(ExactKind<T>(static_cast<const CItem*>(item)));
}
