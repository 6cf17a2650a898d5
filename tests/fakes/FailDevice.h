// SPDX-License-Identifier: MIT
#pragma once
// A random-access device over bytes in memory that fails like a real file:
// once N bytes have passed (read or written), the next call returns -1 with
// errno set to the chosen error, as a read(2) or write(2) that hit a bad
// sector (EIO) or a full disk (ENOSPC, EDQUOT) does. With error 0 the device
// simply ends there instead, like a file cut short. Reads and writes may also
// be short: at most chunk bytes per call.

#include <QByteArray>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

class CFailDevice final : public QIODevice {
public:
    // bytes: what reads hand out; failAfter: the bytes that pass before the
    // failure; error: the errno of the failing call (0: the device ends).
    CFailDevice(QByteArray bytes, qint64 failAfter, int error,
                qint64 chunk = std::numeric_limits<qint64>::max())
        : m_bytes(std::move(bytes)), m_nFailAfter(failAfter), m_nError(error), m_nChunk(chunk) {}

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }
    bool seek(qint64 pos) override {
        m_nAt = pos;
        return QIODevice::seek(pos);
    }

    const QByteArray& Bytes() const { return m_bytes; }
    int m_nCalls = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = Pass(maxSize, m_bytes.size() - m_nAt);
        if (n > 0)
            std::memcpy(data, m_bytes.constData() + m_nAt, std::size_t(n));
        m_nAt += std::max<qint64>(n, 0);
        return n;
    }
    qint64 writeData(const char* data, qint64 maxSize) override {
        const qint64 n = Pass(maxSize, std::numeric_limits<qint64>::max());
        if (n > 0) {
            if (m_bytes.size() < m_nAt + n)
                m_bytes.resize(m_nAt + n);
            std::memcpy(m_bytes.data() + m_nAt, data, std::size_t(n));
            m_nAt += n;
        }
        return n;
    }

private:
    // How many of wanted bytes pass now (0 at the end), or -1 with errno set.
    qint64 Pass(qint64 wanted, qint64 left) {
        ++m_nCalls;
        const qint64 beforeFailure = m_nFailAfter - m_nAt;
        if (beforeFailure <= 0 && m_nError != 0) {
            errno = m_nError;
            setErrorString(QString::fromLocal8Bit(std::strerror(m_nError)));
            return -1;
        }
        return std::max<qint64>(0, std::min({wanted, left, beforeFailure, m_nChunk}));
    }

    QByteArray m_bytes;
    qint64 m_nAt = 0;
    qint64 m_nFailAfter;
    int m_nError;
    qint64 m_nChunk;
};
