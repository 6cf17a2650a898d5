// SPDX-License-Identifier: MIT
#pragma once
// Where the settings record is kept: 32-bit words under short names ("Passwd",
// "Pos"). The program uses the user's own settings file; tests pass a store
// in memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

class QString;

// The persistent settings store, behind an interface so tests can record what
// was asked of it. Values are 32-bit words under short names.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // Creates or opens the key; false when it cannot be used.
    virtual bool Open() = 0;
    // nullopt when the value is missing (or unreadable).
    virtual std::optional<std::uint32_t> Read(std::string_view name) = 0;
    virtual void Write(std::string_view name, std::uint32_t value) = 0;
    // Ends the use of the key, putting what was written through to the store;
    // false when the values could not be stored.
    virtual bool Close() = 0;
    // The full path of the file that holds the values (for messages).
    virtual QString FileName() const = 0;
};

// The user's own settings: organisation "Quillbox", application "Quillbox",
// group "1.1" (on Linux the INI file ~/.config/Quillbox/Quillbox.conf,
// section [1.1]; elsewhere the platform's native per-user store).
class CQSettingsStore final : public ISettingsStore {
public:
    CQSettingsStore();
    // An INI file of its own (for tests and tools).
    explicit CQSettingsStore(const QString& iniPath);
    ~CQSettingsStore() override;

    bool Open() override;
    std::optional<std::uint32_t> Read(std::string_view name) override;
    void Write(std::string_view name, std::uint32_t value) override;
    bool Close() override;
    QString FileName() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
