// Runs the built quadrell-convert as a user would: typed sheets in, rendered
// values out, and clear failures that leave an existing output alone.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class ConvertTest : public ::testing::Test {
 protected:
  test::TempFolder folder;

  std::string Write(const std::string& name, const std::string& contents) {
    std::string path = folder.File(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  static std::string Read(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

  // Runs the converter with a settings folder of its own; env entries are
  // NAME=VALUE; fileLimit bounds the size of every file it writes.
  Outcome Run(const std::vector<std::string>& arguments, const std::vector<std::string>& env = {},
              rlim_t fileLimit = RLIM_INFINITY) {
    std::string outPath = folder.File("stdout.txt");
    std::string errPath = folder.File("stderr.txt");
    std::string home = folder.File("home");
    pid_t pid = fork();
    if (pid == 0) {
      int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      setenv("localappdata", home.c_str(), 1);
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      if (fileLimit != RLIM_INFINITY) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = fileLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::vector<char*> argv{const_cast<char*>(QUADRELL_CONVERT)};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(QUADRELL_CONVERT, argv.data());
      _exit(127);
    }
    Outcome outcome;
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = Read(outPath);
    outcome.err = Read(errPath);
    return outcome;
  }

};

TEST_F(ConvertTest, ATypedSheetComesOutAsTheSheetShowsIt) {
  std::string input = Write("typed.csv",
                            "name;amount;share;day;time;link\r\n"
                            "tea;1.5;50%;1.2.2020;12:30;https://example.org\r\n"
                            "\"a;b\";-3;0,125;;;TRUE\r\n");
  std::string output = folder.File("out.csv");
  Outcome o = Run({input, output});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(Read(output),
            "name;amount;share;day;time;link\r\n"
            "tea;1,5;50%;1.2.2020;12:30;https://example.org\r\n"
            "\"a;b\";-3;0,125;;;TRUE\r\n");
  // The same sheet as TSV, the extensions in any case.
  std::string upper = folder.File("OUT.TSV");
  ASSERT_EQ(Run({input, upper}).status, 0);
  EXPECT_EQ(Read(upper),
            "name\tamount\tshare\tday\ttime\tlink\r\n"
            "tea\t1,5\t50%\t1.2.2020\t12:30\thttps://example.org\r\n"
            "a;b\t-3\t0,125\t\t\tTRUE\r\n");
  // Back again: the fields are separated, not terminated, so the sheet keeps its width.
  std::string back = folder.File("back.CSV");
  ASSERT_EQ(Run({upper, back, "--sheet", "1"}).status, 0);
  EXPECT_EQ(Read(back),
            "name;amount;share;day;time;link\r\n"
            "tea;1,5;50%;1.2.2020;12:30;https://example.org\r\n"
            "\"a;b\";-3;0,125;;;TRUE\r\n");
}

TEST_F(ConvertTest, FormulasInBothLanguages) {
  struct Case {
    std::vector<std::string> options;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {{"--lang", "en"}, "2;3;=SUM(A1,B1);=A1*B1;=TRUE();4+1\r\n", "2;3;5;6;TRUE;5\r\n"},
      // A German formula holds the field separator: its field is quoted.
      {{"--lang", "de"}, "2;3;\"=SUMME(A1;B1)\";=A1*B1;=WAHR();4+1\r\n", "2;3;5;6;WAHR;5\r\n"},
      {{"--lang=de"}, "2;=SUM(A1,B1)\r\n", "2;Syntax Error\r\n"},
      {{}, "1,5;=A1*2\r\n", "1,5;3\r\n"},
  };
  for (const Case& c : cases) {
    std::string input = Write("formulas.csv", c.input);
    std::string output = folder.File("formulas-out.csv");
    std::vector<std::string> arguments = c.options;
    arguments.push_back(input);
    arguments.push_back(output);
    Outcome o = Run(arguments);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Read(output), c.expected) << c.input;
  }
  // Without --lang the system language decides.
  std::string input = Write("system.csv", "=WAHR()\r\n");
  std::string output = folder.File("system-out.csv");
  ASSERT_EQ(Run({input, output}, {"LANG=de_DE.UTF-8"}).status, 0);
  EXPECT_EQ(Read(output), "WAHR\r\n");
}

TEST_F(ConvertTest, TheLanguageNamesTheTexts) {
  std::string input = Write("in.csv", "x\r\n");
  std::string output = folder.File("out.xyz");
  Outcome english = Run({"--lang", "en", input, output});
  Outcome german = Run({"--lang", "de", input, output});
  Outcome system = Run({input, output}, {"LANG=de_DE.UTF-8"});
  EXPECT_NE(english.err.find("unknown file type"), std::string::npos) << english.err;
  EXPECT_NE(german.err.find("unbekannter Dateityp"), std::string::npos) << german.err;
  EXPECT_EQ(system.err, german.err);
}

TEST_F(ConvertTest, FailuresNameTheFileAndLeaveTheOutputAlone) {
  std::string good = Write("good.csv", "1;2\r\n");
  // Larger than the file-size limit below, which leaves room for the message.
  std::string large;
  for (int i = 0; i < 200; ++i) large += "some text;12345\r\n";
  std::string big = Write("big.csv", large);
  std::string output = Write("keep.csv", "precious\r\n");
  std::string tsvOutput = Write("keep.tsv", "precious too\r\n");
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::string named;
    rlim_t fileLimit = RLIM_INFINITY;
  };
  const Case cases[] = {
      {"missing input", {folder.File("missing.csv"), output}, folder.File("missing.csv")},
      {"input is a folder", {folder.File("sub.csv"), output}, folder.File("sub.csv")},
      {"unknown input type", {Write("data.ods", "x"), output}, folder.File("data.ods")},
      {"unknown output type", {good, folder.File("out.txt")}, folder.File("out.txt")},
      {"output without extension", {good, folder.File("out")}, folder.File("out")},
      {"output folder missing", {good, folder.File("nowhere/out.csv")}, folder.File("nowhere/out.csv")},
      {"output cannot be written", {big, output}, output, 1000},
      {"output cannot be written as TSV", {big, tsvOutput}, tsvOutput, 1000},
      {"no such sheet", {"--sheet", "2", good, output}, good},
  };
  ASSERT_TRUE(MakeFolders(folder.File("sub.csv")));
  for (const Case& c : cases) {
    Outcome o = Run(c.arguments, {}, c.fileLimit);
    EXPECT_EQ(o.status, 1) << c.what;
    ASSERT_FALSE(o.err.empty()) << c.what;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << c.what << ": " << o.err;
    EXPECT_NE(o.err.find(c.named + ":"), std::string::npos) << c.what << ": " << o.err;
    EXPECT_EQ(Read(output), "precious\r\n") << c.what;
    EXPECT_EQ(Read(tsvOutput), "precious too\r\n") << c.what;
  }
  EXPECT_EQ(Read(folder.File("out.txt")), "<missing>");
}

TEST_F(ConvertTest, CommandLine) {
  Outcome version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quadrell 0.56\n");
  Outcome help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("quadrell-convert [--lang de|en] [--sheet N] INPUT OUTPUT"), std::string::npos);
  EXPECT_NE(help.out.find(".csv, .tsv"), std::string::npos);
  std::string input = Write("in.csv", "1\r\n");
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {},
           {input},
           {input, folder.File("a.csv"), folder.File("b.csv")},
           {"--lang", "fr", input, folder.File("a.csv")},
           {"--sheet", "0", input, folder.File("a.csv")},
           {"--sheet", "x", input, folder.File("a.csv")},
           {"--frobnicate", input, folder.File("a.csv")},
           {input, folder.File("a.csv"), "--sheet"},
       }) {
    Outcome o = Run(wrong);
    EXPECT_EQ(o.status, 2) << (wrong.empty() ? "" : wrong[0]);
    EXPECT_NE(o.err.find("Usage: quadrell-convert"), std::string::npos) << o.err;
  }
  EXPECT_EQ(Read(folder.File("a.csv")), "<missing>");
}

}  // namespace
}  // namespace quadrell
