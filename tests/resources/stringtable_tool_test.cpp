// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The build step that turns the string table's data into C++, run as the build runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

class StringTableTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pelorus-strings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the generator over `data`; true when it succeeded.
    bool Generate(const std::string& data) {
        std::ofstream(m_dir / "strings.tsv", std::ios::binary) << data;
        std::vector<std::string> args = {
            PELORUS_TEST_CMAKE,
            "-DINPUT=" + (m_dir / "strings.tsv").string(),
            "-DOUTPUT=" + Output().string(),
            "-DIDS_OUTPUT=" + Ids().string(),
            "-P",
            std::string(PELORUS_SOURCE_DIR) + "/resources/stringtable.cmake"};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return false;
        int status = 0;
        if (waitpid(pid, &status, 0) != pid)
            return false;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    fs::path Output() const { return m_dir / "stringtable.inc"; }
    fs::path Ids() const { return m_dir / "stringids.h"; }

    std::string IdNames() const { return Braced(Ids()); }

    std::string Entries() const { return Braced(Output()); }

    // What a generated file holds between its last "{" line and the "};" that closes it.
    static std::string Braced(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        const auto close = all.rfind("};");
        const auto open = close == std::string::npos ? close : all.rfind("{\n", close);
        if (open == std::string::npos)
            return "<malformed>";
        return all.substr(open + 2, close - open - 2);
    }

private:
    fs::path m_dir;
};

TEST_F(StringTableTool, WritesEveryByteSoThatTheLiteralMeansTheText) {
    ASSERT_TRUE(
        Generate("# comment\n"
                 "\n"
                 "0042\tSay\tsay \"hi\"; a\\b (\?\?\?) \xc3\xa9$%|&\r\n"
                 "7\tEmpty7\t\n"
                 "65535\tLast\tlast line without its line feed"));
    EXPECT_EQ(Entries(),
              "    {42, \"say \\042hi\\042\\073 a\\134b (\\077\\077\\077) \\303\\251$%|&\"},\n"
              "    {7, \"\"},\n"
              "    {65535, \"last line without its line feed\"},\n");
    EXPECT_EQ(IdNames(), "    Say = 42,\n    Empty7 = 7,\n    Last = 65535,\n");
}

TEST_F(StringTableTool, RefusesMalformedData) {
    EXPECT_FALSE(Generate("100\tOne\tone\n100\tTwo\ttwo\n")) << "an id given twice";
    EXPECT_FALSE(Generate("100\tOne\tone\n101\tOne\ttwo\n")) << "a name given twice";
    EXPECT_FALSE(Generate("100 no tab\n")) << "no TAB";
    EXPECT_FALSE(Generate("\tName\tno id\n")) << "no id";
    EXPECT_FALSE(Generate("1a\tName\ttext\n")) << "an id that is not a number";
    EXPECT_FALSE(Generate("65536\tName\ttext\n")) << "an id beyond 16 bits";
    EXPECT_FALSE(Generate("100\ttext without a name\n")) << "no name";
    EXPECT_FALSE(Generate("100\t1st\ttext\n")) << "a name that is no identifier";
    EXPECT_FALSE(Generate("100\tName\ta\tb\n")) << "a third TAB";
    EXPECT_FALSE(fs::exists(Output()));
}

}  // namespace
