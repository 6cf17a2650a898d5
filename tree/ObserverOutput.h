// SPDX-License-Identifier: MIT
#pragma once
// What an observer draws into. A level observer draws into a list column, a
// menu observer into a pop-up menu; both travel through CItemObserver's
// SetOutput/GetOutput as this one base, and each observer takes only its own
// kind (the other kind reads as "no output").

class IListOutput;
class CMenu;

class CObserverOutput {
public:
    virtual ~CObserverOutput() = default;
    virtual IListOutput* AsList() { return nullptr; }
    virtual CMenu* AsMenu() { return nullptr; }
};
