// SPDX-License-Identifier: MIT
#include "app/ControlSet.h"

#include <QString>
#include <QWidget>
#include <algorithm>
#include <initializer_list>

namespace {

QRect RectOf(const CControl& control) {
    return {control.m_rect.m_x, control.m_rect.m_y, control.m_rect.m_w, control.m_rect.m_h};
}

void SetState(QWidget* control, EControlState state) {
    switch (state) {
    case EControlState::Enable:
    case EControlState::Disable:
        control->setEnabled(state == EControlState::Enable);
        break;
    case EControlState::Show:
    case EControlState::Hide:
    case EControlState::Later:
        control->setVisible(state == EControlState::Show);
        break;
    case EControlState::Keep:
        break;
    }
}

} // namespace

void CControlSet::Create(const std::function<QWidget*(const CControl& row)>& make) {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        const CControl& row = CONTROLS[i];
        QWidget* control = make(row);
        control->setObjectName(QString::fromLatin1(row.m_name));
        if (*row.m_toolTip)
            control->setToolTip(QString::fromUtf8(row.m_toolTip));
        if (*row.m_accessibleName)
            control->setAccessibleName(QString::fromUtf8(row.m_accessibleName));
        m_controls[i] = control;
    }
}

QWidget* CControlSet::Get(int id) const {
    const std::size_t index = ControlIndex(id);
    return index < CONTROL_COUNT ? m_controls[index] : nullptr;
}

void CControlSet::Place() const {
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i)
        if (CONTROLS[i].m_kind != EControlKind::List && !CONTROLS[i].m_rect.IsEmpty())
            m_controls[i]->setGeometry(RectOf(CONTROLS[i]));
}

void CControlSet::PlaceColumns(int count) const {
    for (int i = 0; i < count; ++i) {
        if (QWidget* column = Get(IDC_LIST1 + 3 - count + i)) {
            column->setGeometry(RectOf(CONTROLS[ControlIndex(IDC_LIST1 + i)]));
            column->update();
        }
    }
}

void CControlSet::ShowPanel(EPanel panel) const {
    using enum EControlState;
    const auto apply = [this, panel](std::initializer_list<EControlState> states) {
        for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
            const EControlState state = StateIn(CONTROLS[i], panel);
            if (std::find(states.begin(), states.end(), state) != states.end())
                SetState(m_controls[i], state);
        }
    };
    // A control that loses the focus by hiding or disabling hands it on to the
    // next one in the tab chain. The main panel shows its lists before it
    // hides the rest, so the focus can land on a list; the others hide first,
    // so the focus leaving a list does not land on what they show.
    apply({Enable});
    apply({Disable});
    if (panel == EPanel::Main) {
        apply({Show});
        apply({Hide, Later});
    } else {
        apply({Hide, Later});
        apply({Show});
    }
}
