// SPDX-License-Identifier: MIT
#pragma once
// A settings store in memory that records what was written, in order. The
// values live in a map shared with the test, so they outlive the CSettings
// that owns the store (as the user's settings outlive a run).

#include "store/Settings.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct CFakeSettingsValues {
    std::map<std::string, std::uint32_t> m_values;
    std::vector<std::pair<std::string, std::uint32_t>> m_writes;
    bool m_bOpenFails = false;
    // Close reports that the values written could not be stored (they are
    // still recorded above, as a store that failed may have kept some).
    bool m_bCloseFails = false;
    QString m_strFileName = QStringLiteral("/home/user/.config/Quillbox/Quillbox.conf");
    // Called as each value is written (to look at the world at that moment).
    std::function<void(const std::string&, std::uint32_t)> m_onWrite;
};

class CFakeSettingsStore final : public ISettingsStore {
public:
    explicit CFakeSettingsStore(std::shared_ptr<CFakeSettingsValues> values)
        : m_pValues(std::move(values)) {}

    bool Open() override { return !m_pValues->m_bOpenFails; }
    std::optional<std::uint32_t> Read(std::string_view name) override {
        const auto it = m_pValues->m_values.find(std::string(name));
        if (it == m_pValues->m_values.end())
            return std::nullopt;
        return it->second;
    }
    void Write(std::string_view name, std::uint32_t value) override {
        m_pValues->m_values[std::string(name)] = value;
        m_pValues->m_writes.emplace_back(std::string(name), value);
        if (m_pValues->m_onWrite)
            m_pValues->m_onWrite(std::string(name), value);
    }
    bool Close() override { return !m_pValues->m_bCloseFails; }
    QString FileName() const override { return m_pValues->m_strFileName; }

private:
    std::shared_ptr<CFakeSettingsValues> m_pValues;
};
