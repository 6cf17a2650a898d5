// SPDX-License-Identifier: MIT
#pragma once
// Every tree item shows itself only through the one observer it owns.
//
// CItemObserver   the interface the items call.
// CColumnObserver the level observer of one depth: lists the children of the
//                 container shown at that depth in a list column (when one is
//                 bound) and drives the address box. One per depth, shared by
//                 all containers of that depth; each level owns the next one.
// CObserverSwitch one per item, in tree/ObserverSwitch.h.

#include "tree/ObserverOutput.h"

#include <memory>
#include <string>

class CItem;
class IListOutput;

class CItemObserver {
public:
    CItemObserver() = default;
    CItemObserver(const CItemObserver&) = delete;
    CItemObserver& operator=(const CItemObserver&) = delete;
    virtual ~CItemObserver() = default;

    virtual void OnChildAdded(int index) = 0;
    virtual void ShowDetail(const std::string& text, bool enable) = 0;
    virtual void SetOutput(CObserverOutput* output) = 0;
    virtual CObserverOutput* GetOutput() const = 0;
    virtual void SelectRow(int /*index*/) {}
    virtual void Clear() {}
    virtual void SetSubject(CItem* item) { m_pSubject = item; }
    virtual CItemObserver* GetNextLevel() const { return nullptr; }
    // Takes ownership of level (the base discards it).
    virtual void SetNextLevel(std::unique_ptr<CItemObserver> /*level*/) {}

    // The item whose contents or detail this observer shows (not owned).
    CItem* GetSubject() const { return m_pSubject; }
    // Drops the subject without any notification when it is item; used when
    // an item is destroyed so that no observer keeps a dangling subject.
    void ForgetSubject(const CItem* item) {
        if (m_pSubject == item)
            m_pSubject = nullptr;
    }

protected:
    CItem* m_pSubject = nullptr;
};

class CColumnObserver final : public CItemObserver {
public:
    CColumnObserver() = default;
    ~CColumnObserver() override;

    void OnChildAdded(int index) override;
    void ShowDetail(const std::string& text, bool enable) override;
    void SetOutput(CObserverOutput* output) override;
    CObserverOutput* GetOutput() const override;
    void SelectRow(int index) override;
    void Clear() override;
    void SetSubject(CItem* item) override;
    CItemObserver* GetNextLevel() const override;
    void SetNextLevel(std::unique_ptr<CItemObserver> level) override;

    IListOutput* GetList() const { return m_pList; }

private:
    IListOutput* m_pList = nullptr;         // bound column, not owned
    std::unique_ptr<CItemObserver> m_pNext; // next depth, owned
};
