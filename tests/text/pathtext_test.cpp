// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/pathtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace pelorus::text {
namespace {

using platform::kLinuxPaths;
using platform::kWindowsPaths;

const std::string kFFFD = "\xEF\xBF\xBD";

struct SplitCase {
    const char* raw;
    const char* file;
    const char* location;
};

// The path as the system gives it, through the process path text and the split.
PathParts ProcessPath(std::string_view raw, const platform::PathConvention& convention) {
    return splitPath(pathText(raw, convention, /*trimLeadingBlanks=*/true), convention);
}

TEST(SplitPath, WindowsConventionLowerCasesAndSplitsAtTheLastBackslash) {
    const SplitCase cases[] = {
        {"C:\\WINDOWS\\System32\\svchost.exe", "svchost.exe", "c:\\windows\\system32"},
        {"\\SystemRoot\\System32\\smss.exe", "smss.exe", "\\systemroot\\system32"},
        {"System", "system", ""},
        {"[System Process]", "[system process]", ""},
        {"C:\\WINDOWS\\system32\\ntdll.dll", "ntdll.dll", "c:\\windows\\system32"},
        {"C:\\app.exe", "app.exe", "c:"},
        {"kernel32.dll", "kernel32.dll", ""},
        {"C:\\Temp\\", "", "c:\\temp"},
        {"\\\\Server\\Share\\Tool.exe", "tool.exe", "\\\\server\\share"},
        {"C:\\a\\\\b.exe", "b.exe", "c:\\a\\"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        const PathParts parts = ProcessPath(c.raw, kWindowsPaths);
        EXPECT_EQ(parts.file, c.file);
        EXPECT_EQ(parts.location, c.location);
    }
}

TEST(SplitPath, LinuxConventionKeepsCaseAndTreatsNamesAsWhole) {
    const SplitCase cases[] = {
        {"/usr/bin/Xwayland", "Xwayland", "/usr/bin"},
        {"/init", "init", ""},
        {"//x", "x", "/"},
        {"/opt/My App/run me (deleted)", "run me (deleted)", "/opt/My App"},
        {"/usr/lib/", "", "/usr/lib"},
        {"/", "", ""},
        // Not beginning with the separator: a name, not a path.
        {"sshd: alice@pts/0", "sshd: alice@pts/0", ""},
        {"[kworker/0:1-events]", "[kworker/0:1-events]", ""},
        {"relative/path", "relative/path", ""},
        {"C:\\app.exe", "C:\\app.exe", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        const PathParts parts = ProcessPath(c.raw, kLinuxPaths);
        EXPECT_EQ(parts.file, c.file);
        EXPECT_EQ(parts.location, c.location);
    }
}

TEST(PathText, CutsAtTheFirstNulAndTrimsLeadingBlanksOnlyWhenAsked) {
    using namespace std::string_literals;
    EXPECT_EQ(pathText("C:\\X.EXE\0C:\\JUNK"s, kWindowsPaths, true), "c:\\x.exe");
    EXPECT_EQ(pathText("\0/usr/bin/x"s, kLinuxPaths, true), "");
    EXPECT_EQ(pathText("   /usr/sbin/sshd  ", kLinuxPaths, true), "/usr/sbin/sshd  ");
    EXPECT_EQ(pathText("   ", kLinuxPaths, true), "");
    // Module paths keep their leading blanks; only blanks are trimmed, not tabs.
    EXPECT_EQ(pathText("  C:\\A.DLL", kWindowsPaths, false), "  c:\\a.dll");
    EXPECT_EQ(pathText("\t/x", kLinuxPaths, true), "\t/x");

    const PathParts trimmedName = ProcessPath("  sshd: alice@pts/0", kLinuxPaths);
    EXPECT_EQ(trimmedName.file, "sshd: alice@pts/0");
    EXPECT_EQ(trimmedName.location, "");
    const PathParts trimmedPath = ProcessPath("  /usr/sbin/sshd", kLinuxPaths);
    EXPECT_EQ(trimmedPath.file, "sshd");
    EXPECT_EQ(trimmedPath.location, "/usr/sbin");
}

TEST(PathText, InvalidBytesShowAsReplacementInBothConventions) {
    EXPECT_EQ(pathText("/tmp/\xFF"
                       "a",
                       kLinuxPaths, true),
              "/tmp/" + kFFFD + "a");
    EXPECT_EQ(pathText("C:\\\xC3", kWindowsPaths, true), "c:\\" + kFFFD);
    const PathParts parts = ProcessPath("/srv/b\xE9te/x", kLinuxPaths);
    EXPECT_EQ(parts.location, "/srv/b" + kFFFD + "te");
    EXPECT_EQ(parts.file, "x");
}

TEST(SanitizeUtf8, KeepsValidTextUnchanged) {
    const std::string valid =
        "plain /usr/lib \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
    EXPECT_EQ(sanitizeUtf8(valid), valid);
    EXPECT_EQ(sanitizeUtf8(""), "");
}

TEST(SanitizeUtf8, ReplacesEveryInvalidByteAndDropsNothing) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80z", "a" + kFFFD + "z"},
        {"bytes never valid", "\xC0\xC1\xF5\xFF", kFFFD + kFFFD + kFFFD + kFFFD},
        {"lead at the end", "ab\xC3", "ab" + kFFFD},
        {"truncated three-byte",
         "\xE2\x82"
         "A",
         kFFFD + kFFFD + "A"},
        {"overlong slash", "\xC0\xAF", kFFFD + kFFFD},
        {"overlong three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD},
        {"overlong four-byte", "\xF0\x80\x80\xAF", kFFFD + kFFFD + kFFFD + kFFFD},
        {"surrogate", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD},
        {"above U+10FFFF", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
        {"lead then ASCII", "\xC3(", kFFFD + "("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sanitizeUtf8(c.in), c.out);
    }
}

// Lower-casing follows the locale the program sets; the tests set one and put the
// previous one back.
class LowerCaseTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = std::setlocale(LC_CTYPE, nullptr); }
    void TearDown() override { std::setlocale(LC_CTYPE, m_previous.c_str()); }

private:
    std::string m_previous;
};

TEST_F(LowerCaseTest, AsciiIsExactInAnyLocale) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    EXPECT_EQ(lowerCase("ABCXYZ abc 0123 @[`{ \\/ C:\\WINDOWS"),
              "abcxyz abc 0123 @[`{ \\/ c:\\windows");
}

TEST_F(LowerCaseTest, FollowsTheLocaleBeyondAsciiAndReplacesInvalidBytes) {
    // A locale that knows the letters beyond ASCII: the GNU C library's name, else the one
    // of Windows' C library, which names its locales by language and code page.
    const char* locale = std::setlocale(LC_CTYPE, "C.UTF-8");
    if (!locale)
        locale = std::setlocale(LC_CTYPE, "English_United States.1252");
    ASSERT_NE(locale, nullptr);
    EXPECT_EQ(lowerCase("\xC3\x84PFEL \xCE\xA3\xCE\xA9"), "\xC3\xA4pfel \xCF\x83\xCF\x89");
    EXPECT_EQ(lowerCase("X\xFF"
                        "Y"),
              "x" + kFFFD + "y");
    EXPECT_EQ(lowerCase("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace pelorus::text
