#include "settings/profile_file.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/case_tables.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

using test::CaseRow;
using test::ModeOf;
using test::ReadCaseTable;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(ProfileFile, ReadsWithTheWindowsRules) {
    for (const CaseRow& c : ReadCaseTable("settings/profile_read.txt", 5)) {
        EXPECT_EQ(FindProfileValue(c[1], c[2], c[3]).value_or("(none)"), c[4]) << c;
    }
    EXPECT_EQ(FindProfileValue("[A]\nK=" + std::string(2000, 'x'), "A", "K"),
              std::string(1023, 'x'));
}

TEST(ProfileFile, WritesInPlaceOrAtTheEndOfTheSection) {
    for (const CaseRow& c : ReadCaseTable("settings/profile_write.txt", 6)) {
        std::string text = c[1];
        ASSERT_TRUE(SetProfileValue(text, c[2], c[3], c[4])) << c;
        EXPECT_EQ(text, c[5]) << c;
        EXPECT_EQ(FindProfileValue(text, c[2], c[3]), c[4]) << c;
    }
}

TEST(ProfileFile, RefusesNamesAndValuesThatWouldNotReadBack) {
    std::vector<CaseRow> cases = ReadCaseTable("settings/profile_refused.txt", 3);
    cases.push_back({"a value longer than a read", {"A", "K", std::string(1024, 'x')}});
    for (const CaseRow& c : cases) {
        std::string text = "[A]\nK=1\n";
        std::string error;
        EXPECT_FALSE(SetProfileValue(text, c[0], c[1], c[2], &error)) << c;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(text, "[A]\nK=1\n");
    }
}

TEST(ProfileFile, MissingFileGivesTheDefaultAndIsCreatedOnWrite) {
    TempDir dir;
    const std::string path = dir / "new.dat";
    EXPECT_EQ(GetProfileString(path, "A", "K", "fallback"), "fallback");
    EXPECT_EQ(GetProfileString(path, "A", "K", std::string(1500, 'd')), std::string(1023, 'd'));
    const mode_t old = ::umask(022);
    const bool written = WriteProfileString(path, "A", "K", "v");
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(ReadFileBytes(path), "[A]\nK=v\n");
    EXPECT_EQ(ModeOf(path), 0644u);
}

TEST(ProfileFile, WriteKeepsPermissionsAndFollowsSymbolicLinks) {
    TempDir dir;
    const std::string target = dir / "real.dat";
    const std::string link = dir / "link.dat";
    WriteFileBytes(target, "[A]\nK=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.dat", link.c_str()), 0);
    ASSERT_TRUE(WriteProfileString(link, "A", "K", "2"));
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), "[A]\nK=2\n");
}

// The write fails half-way (the file-size limit makes write() fail with EFBIG, even for root):
// the old file must survive whole and no temporary file may be left.
TEST(ProfileFile, FailedWriteLeavesTheOldFileAndSaysWhy) {
    TempDir dir;
    const std::string path = dir / "ClockInfo.dat";
    const std::string original = "[A]\nK=1\n";
    WriteFileBytes(path, original);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = WriteProfileString(path, "A", "K", std::string(500, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), original);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "ClockInfo.dat" || name == ".ClockInfo.dat.lock") << name;
    }
}

// A file that cannot be read (root may read a mode-0200 file anyway) is never rewritten.
TEST(ProfileFile, UnreadableFileIsNeverOverwritten) {
    if (!test::PermissionsBind()) {
        GTEST_SKIP() << "file permissions do not bind this process (root)";
    }
    TempDir dir;
    const std::string locked = dir / "locked.dat";
    WriteFileBytes(locked, "[A]\nK=1\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0200), 0);
    std::string error;
    EXPECT_FALSE(WriteProfileString(locked, "A", "N", "2", &error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    ::chmod(locked.c_str(), 0600);
    EXPECT_EQ(ReadFileBytes(locked), "[A]\nK=1\n");
}

TEST(ProfileFile, GarbageHugeFilesAndLongLinesLoseNothing) {
    TempDir dir;
    // Binary garbage with brackets, '=', NULs and stray CRs: writing appends, the bytes stay.
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>((seed >> 16) & 0xFF);
    }
    const std::string junk = dir / "junk.dat";
    WriteFileBytes(junk, garbage);
    EXPECT_EQ(GetProfileString(junk, "TARNWICKTEST", "K", "d"), "d");
    std::string error;
    EXPECT_FALSE(WriteProfileString(junk, "TARNWICKTEST", "K", "v", &error));
    EXPECT_NE(error.find("does not look like a settings file"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(junk), garbage);

    // Over 1 MiB: refused with the reason, and never rewritten.
    const std::string tooBig = dir / "toobig.dat";
    WriteFileBytes(tooBig, "[A]\nK=1\n" + std::string(2 * 1024 * 1024, ';') + "\n");
    std::string value;
    EXPECT_EQ(ReadProfileValue(tooBig, "A", "K", value, &error), ProfileLookup::Unreadable);
    EXPECT_NE(error.find("the file is too large"), std::string::npos) << error;
    EXPECT_FALSE(WriteProfileString(tooBig, "A", "K", "2", &error));
    EXPECT_NE(error.find(tooBig), std::string::npos) << error;

    // 10,000-character lines: a long value is cut on reading but kept whole in the file.
    const std::string longValue(10000, 'v');
    const std::string lines = dir / "long.dat";
    WriteFileBytes(lines, "[A]\n" + std::string(10000, ';') + "\nK=" + longValue + "\n");
    EXPECT_EQ(GetProfileString(lines, "A", "K", "").size(), kMaxProfileValueLength);
    ASSERT_TRUE(WriteProfileString(lines, "A", "N", "1"));
    EXPECT_EQ(ReadFileBytes(lines),
              "[A]\n" + std::string(10000, ';') + "\nK=" + longValue + "\nN=1\n");
}

// A FIFO or a link to a device is refused at once: no hang, no endless read, no write.
TEST(ProfileFile, OnlyRegularFilesAreReadOrWritten) {
    TempDir dir;
    const std::string fifo = dir / "fifo.dat";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir / "zero.dat";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& path : {fifo, zero}) {
        std::string value;
        std::string error;
        EXPECT_EQ(ReadProfileValue(path, "A", "K", value, &error), ProfileLookup::Unreadable);
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
        EXPECT_FALSE(WriteProfileString(path, "A", "K", "v", &error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(ProfileFile, LinksToForeignFilesAreRefusedWithTheReason) {
    TempDir dir;
    // A link to a file that is not a settings file (a copy of a password file).
    const std::string passwd = dir / "passwd";
    const std::string copy = "root:x:0:0:root:/root:/bin/bash\n";
    WriteFileBytes(passwd, copy);
    const std::string link = dir / "link.dat";
    ASSERT_EQ(::symlink("passwd", link.c_str()), 0);
    std::string error;
    EXPECT_FALSE(WriteProfileString(link, "A", "K", "2", &error));
    EXPECT_NE(error.find("does not look like a settings file"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(passwd), copy);

    // A dangling link, and (as root, who can give a file away) a link to another user's file.
    const std::string dangling = dir / "dangling.dat";
    ASSERT_EQ(::symlink("nowhere.dat", dangling.c_str()), 0);
    EXPECT_FALSE(WriteProfileString(dangling, "A", "K", "2", &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.dat"));
    if (::geteuid() == 0) {
        const std::string foreign = dir / "foreign.dat";
        WriteFileBytes(foreign, "[A]\nK=1\n");
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        const std::string toForeign = dir / "toforeign.dat";
        ASSERT_EQ(::symlink("foreign.dat", toForeign.c_str()), 0);
        EXPECT_FALSE(WriteProfileString(toForeign, "A", "K", "2", &error));
        EXPECT_NE(error.find("belongs to another user"), std::string::npos) << error;
        EXPECT_EQ(ReadFileBytes(foreign), "[A]\nK=1\n");
    }
}

} // namespace
} // namespace tarnwick
