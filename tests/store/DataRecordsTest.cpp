// SPDX-License-Identifier: MIT
// The data file's records on devices that fail the way disks do: every
// failure comes out as the archive's cause, what was read before it stays,
// and short reads and writes carry the same bytes.

#include "store/DataRecords.h"

#include "TreeDump.h"
#include "fakes/FailDevice.h"
#include "store/Cipher.h"
#include "tree/Tree.h"
#include "tree/TreeState.h"

#include <QBuffer>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t NOPASSWORD_SEED = 7; // the fixture's filler seed

class DataRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCipherKey();
        ResetTreeState();
        m_sample = ReadAll(TestDataPath("sample-nopassword.dat"));
        ASSERT_EQ(m_sample.size(), 5512);
        m_pTop = StartTree(nullptr);
    }
    void TearDown() override {
        EndTree(std::move(m_pTop));
        ResetTreeState();
        ResetCipherKey();
    }
    // Reads device into a fresh tree.
    EReadOutcome Read(QIODevice& device) {
        EndTree(std::move(m_pTop));
        m_pTop = StartTree(nullptr);
        device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        return ReadTreeRecords(device, {}, *m_pTop);
    }
    std::string SampleDump() const {
        return DumpJson(
            QJsonDocument::fromJson(ReadAll(TestDataPath("sample-tree.json"))).object());
    }

    QByteArray m_sample;
    std::unique_ptr<CFolder> m_pTop;
};

struct CDeviceFailure {
    const char* m_name;
    bool m_writing;
    qint64 m_failAfter; // bytes that pass before it
    int m_error;        // 0: the device ends there
    CArchiveException::ECause m_cause;
};
const CDeviceFailure FAILURES[] = {
    {"ReadEndsInsideABlock", false, 3001, 0, CArchiveException::EndOfFile},
    {"ReadEndsBetweenBlocks", false, 3000, 0, CArchiveException::EndOfFile},
    {"ReadEIO", false, 4096, EIO, CArchiveException::HardIO},
    {"ReadEIOAtOnce", false, 0, EIO, CArchiveException::HardIO},
    {"ReadEACCES", false, 800, EACCES, CArchiveException::Generic},
    {"WriteENOSPC", true, 4000, ENOSPC, CArchiveException::DiskFull},
    {"WriteEDQUOT", true, 0, EDQUOT, CArchiveException::DiskFull},
    {"WriteEIO", true, 8, EIO, CArchiveException::HardIO},
    {"WriteEBADF", true, 100, EBADF, CArchiveException::Generic},
};

class DeviceFailureTest : public DataRecordsTest,
                          public ::testing::WithParamInterface<CDeviceFailure> {};

TEST_P(DeviceFailureTest, ComesOutAsItsCause) {
    const CDeviceFailure& row = GetParam();
    int cause = -1;
    if (row.m_writing) {
        QBuffer source(&m_sample);
        ASSERT_EQ(Read(source), EReadOutcome::Loaded);
        CFailDevice device({}, row.m_failAfter, row.m_error);
        device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        try {
            WriteTreeRecords(device, {}, *m_pTop, SeededFiller(NOPASSWORD_SEED));
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        EXPECT_EQ(device.Bytes(), m_sample.left(row.m_failAfter)) << "what passed is what was sent";
        EXPECT_EQ(FailureCause(device, row.m_error), row.m_cause);
    } else {
        CFailDevice device(m_sample, row.m_failAfter, row.m_error);
        try {
            Read(device);
        } catch (const CArchiveException& e) {
            cause = e.m_cause;
        }
        // What was read before the failure stays.
        EXPECT_EQ(m_pTop->GetCount() > 0, row.m_failAfter > 512) << DumpItem(*m_pTop);
    }
    EXPECT_EQ(cause, row.m_cause);
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceFailureTest, ::testing::ValuesIn(FAILURES),
                         [](const auto& row) { return std::string(row.param.m_name); });

TEST_F(DataRecordsTest, ShortReadsAndWritesCarryTheSameRecords) {
    for (const qint64 chunk : {1, 7, 13, 4099}) {
        SCOPED_TRACE(chunk);
        CFailDevice in(m_sample, m_sample.size(), 0, chunk);
        ASSERT_EQ(Read(in), EReadOutcome::Loaded);
        EXPECT_EQ(DumpItem(*m_pTop), SampleDump());
        CFailDevice out({}, m_sample.size(), ENOSPC, chunk);
        out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        WriteTreeRecords(out, {}, *m_pTop, SeededFiller(NOPASSWORD_SEED));
        EXPECT_EQ(out.Bytes(), m_sample);
        EXPECT_GE(out.m_nCalls, m_sample.size() / chunk);
    }
}

TEST_F(DataRecordsTest, NoBytesAndAnotherFormatLoadNothing) {
    QByteArray none;
    QBuffer empty(&none);
    EXPECT_EQ(Read(empty), EReadOutcome::Empty);
    QBuffer secret;
    secret.setData(ReadAll(TestDataPath("sample-secret12.dat")));
    EXPECT_EQ(Read(secret), EReadOutcome::OtherFormat) << "read with the empty key";
    EXPECT_EQ(DumpItem(*m_pTop), "folder(Root)[]");
}

} // namespace
