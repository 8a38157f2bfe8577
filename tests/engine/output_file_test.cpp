// OutputFile's contract: modes, result codes, share rules.
#include <gtest/gtest.h>

#include <string>

#include "output_file.h"
#include "scratch_dir.h"

namespace {

class OutputFileTest : public testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(OutputFileTest, OpenAnswersByModeAndFileState) {
    struct Case {
        const char* name;
        bool fileExists;
        int mode;
        LONG result;
        bool open;
        const char* contentAfter;  // nullptr: no file
    };
    const Case cases[] = {
        {"read missing", false, OutputFile::ModeRead, OutputFile::OpenFailed, false, nullptr},
        {"read existing", true, OutputFile::ModeRead, OutputFile::Opened, true, "old"},
        {"write missing", false, OutputFile::ModeWrite, OutputFile::Opened, true, ""},
        {"write existing", true, OutputFile::ModeWrite, OutputFile::Opened, true, ""},
        {"readwrite missing", false, OutputFile::ModeReadWrite, OutputFile::Opened, true, ""},
        {"readwrite existing", true, OutputFile::ModeReadWrite, OutputFile::Opened, true, ""},
        {"mode 7", true, 7, OutputFile::BadMode, false, "old"},
        {"mode -1", false, -1, OutputFile::BadMode, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = std::string(c.name) + ".bin";
        if (c.fileExists) dir.Write(name, "old");
        OutputFile file;
        EXPECT_EQ(file.Open(dir.Path(name), c.mode), c.result);
        EXPECT_EQ(file.IsOpen(), c.open);
        file.Close();
        if (c.contentAfter == nullptr) {
            EXPECT_FALSE(dir.Exists(name));
        } else {
            EXPECT_EQ(dir.Read(name), c.contentAfter);
        }
    }
}

TEST_F(OutputFileTest, OpenOnAnOpenObjectChangesNothing) {
    OutputFile file;
    ASSERT_EQ(file.Open(dir.Path("a.bin"), OutputFile::ModeWrite), OutputFile::Opened);
    ASSERT_EQ(file.Write("12", 2), 2u);
    dir.Write("b.bin", "keep");
    EXPECT_EQ(file.Open(dir.Path("b.bin"), OutputFile::ModeWrite), OutputFile::AlreadyOpen);
    EXPECT_EQ(file.Open(dir.Path("a.bin"), OutputFile::ModeWrite), OutputFile::AlreadyOpen);
    EXPECT_EQ(file.Open(dir.Path("b.bin"), 7), OutputFile::AlreadyOpen) << "an open object answers 1 before the mode";
    // Still the first file, at its old position.
    EXPECT_EQ(file.Write("34", 2), 2u);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(dir.Read("a.bin"), "1234");
    EXPECT_EQ(dir.Read("b.bin"), "keep");
}

TEST_F(OutputFileTest, WriteAndCloseOnClosedOrFailedObjects) {
    OutputFile file;
    EXPECT_EQ(file.Write("x", 1), 0u);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_TRUE(file.CloseChecked());

    // A failed open leaves it closed and may be tried again.
    EXPECT_EQ(file.Open(dir.Path("missing/a.bin"), OutputFile::ModeWrite), OutputFile::OpenFailed);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Write("x", 1), 0u);
    EXPECT_EQ(file.Open(dir.Path("a.bin"), OutputFile::ModeWrite), OutputFile::Opened);
    EXPECT_EQ(file.Write("", 0), 0u);
    EXPECT_TRUE(file.CloseChecked());
    EXPECT_FALSE(file.IsOpen());

    // Reopened after Close, and closed by destruction.
    {
        OutputFile again;
        ASSERT_EQ(again.Open(dir.Path("a.bin"), OutputFile::ModeWrite), OutputFile::Opened);
        again.Write("abc", 3);
    }
    OutputFile reader;
    EXPECT_EQ(reader.Open(dir.Path("a.bin"), OutputFile::ModeReadWrite), OutputFile::Opened)
        << "destruction released the file";
}

TEST_F(OutputFileTest, ShareRulesBetweenTwoObjects) {
    // Whether a second object may open a file that a first one holds.
    struct Case {
        int first;
        int second;
        LONG result;
    };
    const Case cases[] = {
        {OutputFile::ModeRead, OutputFile::ModeRead, OutputFile::Opened},
        {OutputFile::ModeRead, OutputFile::ModeWrite, OutputFile::Opened},
        {OutputFile::ModeRead, OutputFile::ModeReadWrite, OutputFile::OpenFailed},
        {OutputFile::ModeWrite, OutputFile::ModeRead, OutputFile::Opened},
        {OutputFile::ModeWrite, OutputFile::ModeWrite, OutputFile::OpenFailed},
        {OutputFile::ModeWrite, OutputFile::ModeReadWrite, OutputFile::OpenFailed},
        {OutputFile::ModeReadWrite, OutputFile::ModeRead, OutputFile::OpenFailed},
        {OutputFile::ModeReadWrite, OutputFile::ModeWrite, OutputFile::OpenFailed},
        {OutputFile::ModeReadWrite, OutputFile::ModeReadWrite, OutputFile::OpenFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first mode " << c.first << ", second mode " << c.second);
        dir.Write("shared.bin", "old");
        OutputFile first;
        OutputFile second;
        ASSERT_EQ(first.Open(dir.Path("shared.bin"), c.first), OutputFile::Opened);
        EXPECT_EQ(second.Open(dir.Path("shared.bin"), c.second), c.result);
        EXPECT_EQ(second.IsOpen(), c.result == OutputFile::Opened);
    }
}

}  // namespace
