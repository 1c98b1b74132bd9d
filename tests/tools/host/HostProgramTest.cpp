// korvala-host as a user meets it: the program itself is run, with its
// exit code, standard output and standard error read back separately, and its
// manual page is rendered by man(1) as a reader would see it.
#include "plugin/BraskoKorvala.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct Outcome
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Arguments are single-quoted for the shell; none of ours holds a quote.
Outcome RunCommand(const std::string& program, const std::vector<std::string>& args,
                   const std::string& environment = "")
{
    const std::string base = ::testing::TempDir() + "korvala-host-test-" + std::to_string(getpid());
    std::string command = environment + " '" + program + "'";
    for (const auto& arg : args)
        command += " '" + arg + "'";
    command += " >" + base + ".out 2>" + base + ".err";
    Outcome run;
    const int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = ReadFile(base + ".out");
    run.err = ReadFile(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return run;
}

Outcome RunHost(const std::vector<std::string>& args)
{
    return RunCommand(KORVALA_HOST_PROGRAM, args);
}

// Runs of blanks become one space, ends trimmed: how text compares once a
// formatter has laid it out again.
std::string Squeezed(const std::string& text)
{
    std::string result;
    bool blank = false;
    for (char c : text)
    {
        if (c == ' ' || c == '\t' || c == '\n')
        {
            blank = !result.empty();
            continue;
        }
        if (blank) result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

// The entries of the usage: each "  korvala-host ..." line with the deeper
// indented lines that continue it, squeezed to one line.
std::vector<std::string> UsageEntries(const std::string& help)
{
    std::vector<std::string> entries;
    std::istringstream lines(help);
    std::string line;
    while (std::getline(lines, line))
    {
        if (line.empty()) break;
        if (line.rfind("  korvala-host ", 0) == 0)
            entries.push_back(line);
        else if (line.rfind("    ", 0) == 0 && !entries.empty())
            entries.back() += " " + line;
    }
    for (auto& entry : entries)
        entry = Squeezed(entry);
    return entries;
}

bool CanRun(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

TEST(HostProgram, HelpPrintsTheUsageOnStdoutAndSucceeds)
{
    for (const char* option : {"--help", "help", "-h"})
    {
        SCOPED_TRACE(option);
        const Outcome run = RunHost({option});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.rfind("usage:\n", 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
        for (const char* command : {" info ", " render ", " bench ", " gen-demo ", " --version"})
            EXPECT_NE(run.out.find(command), std::string::npos) << command;
    }
}

TEST(HostProgram, VersionIsThePluginsVersion)
{
    const Outcome run = RunHost({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "korvala-host " KORVALA_EXPECTED_VERSION "\n");

    // The plug-in reports its version to hosts packed one byte per part.
    int major = -1, minor = -1, patch = -1;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "korvala-host %d.%d.%d", &major, &minor, &patch), 3);
    EXPECT_EQ((major << 16) | (minor << 8) | patch, BraskoKorvala::kVersion);
}

TEST(HostProgram, WrongCommandLinesExitTwoWithTheUsageOnStderrOnly)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"--bogus"},
        {"info"},
        {"render", "a.so", "in.wav", "out.wav", "--no-such-option", "1"}};
    const std::string help = RunHost({"--help"}).out;
    for (const auto& args : wrong)
    {
        std::string shown;
        for (const auto& arg : args)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const Outcome run = RunHost(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << run.err;
    }
    // Without any command, the whole usage is the message.
    EXPECT_EQ(RunHost({}).err, help);
}

TEST(ManualPage, ShowsEveryCommandOfTheHelpAsWritten)
{
    if (!CanRun("man")) GTEST_SKIP() << "man(1) is not installed";
    const std::vector<std::string> entries = UsageEntries(RunHost({"--help"}).out);
    ASSERT_GE(entries.size(), 5u);

    // Plain ASCII, wide lines and no hyphenation, so that the synopsis reads
    // exactly as the help text.
    const Outcome page = RunCommand("man", {"-l", "-P", "cat", KORVALA_MAN_PAGE},
                                    "LC_ALL=C MANWIDTH=250 GROFF_NO_SGR=1");
    ASSERT_EQ(page.exitCode, 0) << page.err;
    // Bold and underline may come as overstrikes ("k\bk", "_\bk"): the
    // letter after the backspace is the one shown.
    std::string text;
    for (char c : page.out)
    {
        if (c == '\b' && !text.empty())
            text.pop_back();
        else
            text += c;
    }
    const std::string squeezed = Squeezed(text);
    for (const auto& entry : entries)
        EXPECT_NE(squeezed.find(entry), std::string::npos) << entry << "\n--- page:\n" << page.out;

    // groff's own complaints about the page (what lintian reports too).
    const Outcome warnings =
        RunCommand("man", {"--warnings", "-l", "-E", "ascii", "-Z", KORVALA_MAN_PAGE}, "LC_ALL=C");
    EXPECT_EQ(warnings.err, "");
}

TEST(ManualPage, CompressedPageIsThePage)
{
    if (!CanRun("gzip")) GTEST_SKIP() << "gzip is not installed";
    const Outcome unpacked = RunCommand("gzip", {"-dc", KORVALA_MAN_PAGE ".gz"});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, ReadFile(KORVALA_MAN_PAGE));
    // -n: no name or time stamp in the header (bytes 4..7 are the time).
    const std::string packed = ReadFile(KORVALA_MAN_PAGE ".gz");
    ASSERT_GE(packed.size(), 10u);
    EXPECT_EQ(packed.substr(4, 4), std::string(4, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(packed[3]) & 0x08, 0) << "file name stored";
}
