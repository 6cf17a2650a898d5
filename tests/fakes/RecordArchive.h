// SPDX-License-Identifier: MIT
#pragma once
// An archive that keeps the record sequence itself (integers and strings) in
// memory: a storing one collects what is written, a loading one hands out a
// given sequence and fails with end of file when it runs out, like a file
// cut short. A value of the wrong kind is a damaged file.

#include "tree/Archive.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

using RecordValue = std::variant<std::int32_t, std::string>;
using Records = std::vector<RecordValue>;

class CRecordArchive final : public CArchive {
public:
    CRecordArchive() = default; // storing
    explicit CRecordArchive(Records input) : m_bLoading(true), m_records(std::move(input)) {}

    bool IsLoading() const override { return m_bLoading; }
    void WriteInt(std::int32_t value) override { m_records.emplace_back(value); }
    void WriteString(const std::string& text) override { m_records.emplace_back(text); }
    std::int32_t ReadInt() override { return Next<std::int32_t>(); }
    std::string ReadString() override { return Next<std::string>(); }

    const Records& Written() const { return m_records; }
    std::size_t Remaining() const { return m_records.size() - m_nNext; }

private:
    template <typename T> T Next() {
        if (m_nNext >= m_records.size())
            throw CArchiveException(CArchiveException::EndOfFile);
        const RecordValue& value = m_records[m_nNext++];
        if (!std::holds_alternative<T>(value))
            throw CArchiveException(CArchiveException::Generic, "unexpected value kind");
        return std::get<T>(value);
    }

    bool m_bLoading = false;
    Records m_records;
    std::size_t m_nNext = 0;
};
