#pragma once
// The one settings record: the password check value, the dock window's
// position and the current password, which keys the data file.
//
// The check value of a password p (1 to 8 bytes) is p's key block enciphered
// under itself, its two little-endian halves added modulo 2^32; 0 means no
// password. Only the check value and the position are kept in the settings
// store ("Passwd", and "Pos" = x << 16 | (y & 0xFFFF)); the password never is.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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

// The check value of a password of at most 8 bytes (the empty one gives 0).
// Leaves the cipher key register holding the password's key block.
std::uint32_t PasswordCheck(std::string_view password);

// Only the first 8 bytes of a password count.
constexpr std::size_t MAX_PASSWORD_BYTES = 8;

class CSettings {
public:
    // Uses the user's settings store.
    CSettings();
    // Uses store; with none, Load and Save read and write nothing.
    explicit CSettings(std::unique_ptr<ISettingsStore> store);
    ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    // Reads the store. A stored check value counts only while a non-empty
    // data file exists: with none, it reads as 0 (a missing data file is
    // created empty). folder is where the data file lives; empty means the
    // current directory. A missing or zero position gives 100, 100.
    void Load(const QString& folder);
    void Load();
    // Writes the check value and the packed position to the store: 1 when
    // they were stored (or there is no store), 0 when they could not be.
    int Save();
    // The full path of the settings file (empty with no store).
    QString StoreFileName() const;

    // Makes the first 8 bytes of password the current password and computes
    // its check value (0 for the empty password).
    void SetPassword(std::string_view password);
    // Accepts typed (its first 8 bytes) when its check value matches the
    // stored, non-zero one: then it becomes the current password and the
    // result is 1. Otherwise 0 and the current password is empty.
    int VerifyPassword(std::string_view typed);

    static std::uint32_t PackPosition(int x, int y);
    static void UnpackPosition(std::uint32_t packed, int& x, int& y);

    const char* m_pszDataFile; // DATA_FILE_NAME (store/DataFile.h)
    std::uint32_t m_dwPasswordCheck = 0;
    int m_nDockX = 0;
    int m_nDockY = 0;
    std::string m_strPassword;

private:
    std::unique_ptr<ISettingsStore> m_pStore;
};
