// SPDX-License-Identifier: MIT
#pragma once
// The stream that tree records are written to and read from. The tree only
// knows this interface; the storage layer supplies the enciphering archive
// behind it (and tests an in-memory one). A record is nothing but a sequence
// of 32-bit integers and byte strings.

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised by an archive (or by a reader that finds the records damaged) while
// reading or writing. The data file layer turns it into the user's message,
// naming the file.
class CArchiveException : public std::runtime_error {
public:
    enum ECause {
        EndOfFile, // fewer bytes left than a value needs
        DiskFull,  // the device has no room for what is written
        HardIO,    // the device reported an input/output error
        Generic,   // any other failure of the file
        BadFormat, // the records are damaged beyond reading (e.g. nested too deep)
    };
    explicit CArchiveException(ECause cause, const std::string& what = {}, int systemError = 0)
        : std::runtime_error(what.empty() ? "archive error" : what), m_cause(cause),
          m_nSystemError(systemError) {}
    ECause m_cause;
    int m_nSystemError; // the errno of the failing call; 0 when none was seen
};

class CArchive {
public:
    virtual ~CArchive() = default;

    virtual bool IsLoading() const = 0;
    bool IsStoring() const { return !IsLoading(); }

    virtual void WriteInt(std::int32_t value) = 0;
    virtual std::int32_t ReadInt() = 0;
    virtual void WriteString(const std::string& text) = 0;
    // A count of 0 or less gives the empty string. Never trusts the count:
    // reads value by value until it has them all or the archive ends.
    virtual std::string ReadString() = 0;

    CArchive& operator<<(std::int32_t value) {
        WriteInt(value);
        return *this;
    }
    CArchive& operator>>(std::int32_t& value) {
        value = ReadInt();
        return *this;
    }
    CArchive& operator<<(const std::string& text) {
        WriteString(text);
        return *this;
    }
    CArchive& operator>>(std::string& text) {
        text = ReadString();
        return *this;
    }
};
