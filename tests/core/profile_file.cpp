#include "settings/profile_file.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/temp_dir.h"

namespace tarnwick {
namespace {

using test::ModeOf;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct ReadCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(ProfileFile, ReadsWithTheWindowsRules) {
    const std::vector<ReadCase> cases = {
        {"names ignore case", "[Options]\nRunOption=1057\n", "OPTIONS", "RUNOPTION", "1057"},
        {"blanks around names and values", "  [ OPTIONS ]  \n\t KEY  =  two words \t\n", "options",
         "key", "two words"},
        {"double quotes removed", "[A]\nK=\" padded \"\n", "A", "K", " padded "},
        {"single quotes removed", "[A]\nK='x'\n", "A", "K", "x"},
        {"mismatched quotes kept", "[A]\nK=\"x'\n", "A", "K", "\"x'"},
        {"a lone quote kept", "[A]\nK=\"\n", "A", "K", "\""},
        {"first key wins", "[A]\nK=1\nk=2\n", "A", "K", "1"},
        {"only the first section of a name counts", "[A]\nX=1\n[B]\n[a]\nK=2\n", "A", "K",
         std::nullopt},
        {"comment line skipped", "[A]\n;K=1\nK=2\n", "A", "K", "2"},
        {"key of another section", "[A]\nK=1\n[B]\nY=2\n", "B", "K", std::nullopt},
        {"key before any section", "K=1\n[A]\n", "A", "K", std::nullopt},
        {"line without '=' is no key", "[A]\nK\nK=3\n", "A", "K", "3"},
        {"CRLF line ends", "[A]\r\nK=v\r\n", "A", "K", "v"},
        {"CR-only line ends", "[A]\rJ=u\rK=v\r", "A", "K", "v"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[A]\nK=v\n", "A", "K", "v"},
        {"no final newline", "[A]\nK=v", "A", "K", "v"},
        {"Latin-1 bytes passed through", "[A]\r\nK=Z\xFCrich\r\n", "A", "K", "Z\xFCrich"},
        {"case folding is ASCII only", "[\xC4]\nK=1\n", "\xE4", "K", std::nullopt},
        {"'=' inside the value", "[A]\nK=a=b\n", "A", "K", "a=b"},
        {"empty value", "[A]\nK=\n", "A", "K", ""},
        {"text after the section's bracket", "[A] ; note\nK=1\n", "A", "K", "1"},
        {"unclosed bracket is no section", "[A]\n[B\nK=1\n", "A", "K", "1"},
        {"read is cut to 1023", "[A]\nK=" + std::string(2000, 'x') + "\n", "A", "K",
         std::string(1023, 'x')},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(FindProfileValue(c.text, c.section, c.key), c.expected) << c.what;
    }
}

struct WriteCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileFile, WritesInPlaceOrAtTheEndOfTheSection) {
    const std::vector<WriteCase> cases = {
        {"empty text", "", "A", "K", "v", "[A]\nK=v\n"},
        {"rewrite keeps spelling and neighbours", "[a]\n; c\n  Key = old \nZ=1\n", "A", "KEY",
         "new", "[a]\n; c\nKey=new\nZ=1\n"},
        {"new key after the last key line", "[A]\nK=1\n; about B\n\n[B]\nX=2\n", "A", "N", "3",
         "[A]\nK=1\nN=3\n; about B\n\n[B]\nX=2\n"},
        {"section without keys", "[A]\n\n[B]\n", "A", "K", "1", "[A]\nK=1\n\n[B]\n"},
        {"new section after a blank line", "[A]\nK=1\n", "B", "X", "2", "[A]\nK=1\n\n[B]\nX=2\n"},
        {"no second blank line", "[A]\nK=1\n\n", "B", "X", "2", "[A]\nK=1\n\n[B]\nX=2\n"},
        {"no final newline, new key", "[A]\nK=1", "A", "N", "2", "[A]\nK=1\nN=2"},
        {"no final newline, new section", "[A]\nK=1", "B", "X", "2", "[A]\nK=1\n\n[B]\nX=2\n"},
        {"CRLF rewrite", "[A]\r\nK=1\r\nL=2\r\n", "A", "K", "9", "[A]\r\nK=9\r\nL=2\r\n"},
        {"CRLF new key", "[A]\r\nK=1\r\n", "A", "N", "2", "[A]\r\nK=1\r\nN=2\r\n"},
        {"CRLF new section", "[A]\r\nK=1\r\n", "B", "X", "2", "[A]\r\nK=1\r\n\r\n[B]\r\nX=2\r\n"},
        {"CRLF, last LF lost", "[A]\r\nK=1\r", "A", "N", "2", "[A]\r\nK=1\r\nN=2\r"},
        {"CR-only new key", "[A]\rK=1\r", "A", "N", "2", "[A]\rK=1\rN=2\r"},
        {"CR-only new section", "[A]\rK=1\r", "B", "X", "2", "[A]\rK=1\r\r[B]\rX=2\r"},
        {"BOM kept", "\xEF\xBB\xBF[A]\nK=1\n", "A", "K", "2", "\xEF\xBB\xBF[A]\nK=2\n"},
        {"BOM only", "\xEF\xBB\xBF", "A", "K", "2", "\xEF\xBB\xBF[A]\nK=2\n"},
        {"Latin-1 kept", "[A]\nN=Z\xFCrich\n", "A", "K", "\xE9t\xE9",
         "[A]\nN=Z\xFCrich\nK=\xE9t\xE9\n"},
        {"only the first section of a name", "[A]\nX=1\n[A]\nK=2\n", "A", "K", "3",
         "[A]\nX=1\nK=3\n[A]\nK=2\n"},
    };
    for (const WriteCase& c : cases) {
        std::string text = c.before;
        ASSERT_TRUE(SetProfileValue(text, c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(text, c.after) << c.what;
        EXPECT_EQ(FindProfileValue(text, c.section, c.key), c.value) << c.what;
    }
}

TEST(ProfileFile, RefusesNamesAndValuesThatWouldNotReadBack) {
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } cases[] = {
        {"", "K", "v"},
        {"A", "", "v"},
        {"A]", "K", "v"},
        {"A", "K=", "v"},
        {"A", ";K", "v"},
        {"A", "[K", "v"},
        {"A", "K", "1\n[B]"},
        {"A", "K", "1\r2"},
        {"A", "K", std::string("1\0002", 3)},
        {"A\nB", "K", "v"},
        {"A", "K", std::string(1024, 'x')},
    };
    for (const auto& c : cases) {
        std::string text = "[A]\nK=1\n";
        std::string error;
        EXPECT_FALSE(SetProfileValue(text, c.section, c.key, c.value, &error))
            << c.section << "/" << c.key;
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
