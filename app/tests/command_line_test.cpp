// The installer's command line: the wizard without arguments, the usage, and
// the unattended installation's switches with every way to get them wrong.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using app::CommandLine;
using app::ParseCommandLine;
using Mode = CommandLine::Mode;

TEST(CommandLine, NoArgumentsRunsTheWizard) { EXPECT_EQ(ParseCommandLine({}).mode, Mode::Wizard); }

TEST(CommandLine, QuestionMarkAsksForTheUsageWhateverElseIsGiven) {
  EXPECT_EQ(ParseCommandLine({"/?"}).mode, Mode::Usage);
  EXPECT_EQ(ParseCommandLine({"/S", "/?"}).mode, Mode::Usage);
  EXPECT_EQ(ParseCommandLine({"/bogus", "-?"}).mode, Mode::Usage);
}

TEST(CommandLine, UnattendedSwitchesAreReadWithoutRegardToCase) {
  CommandLine line = ParseCommandLine(
      {"/s", "/edition=cysaas", "/Dir=D:\\Program Files\\Orvane云专家美食版V3", "/SYSTEMS=sc,POS,WmSvr,kds",
       "/LOG=C:\\install.log"});
  ASSERT_EQ(line.mode, Mode::Unattended) << line.error;
  EXPECT_EQ(line.edition, "CySaaS");
  EXPECT_EQ(line.folder, "D:\\Program Files\\Orvane云专家美食版V3");
  EXPECT_TRUE(line.sc && line.pos && line.wmsvr && line.kds);
  EXPECT_EQ(line.log_file, "C:\\install.log");

  line = ParseCommandLine({"/S", "/EDITION=SySaaS", "/DIR=C:\\A=B", "/SYSTEMS=Pos"});
  ASSERT_EQ(line.mode, Mode::Unattended) << line.error;
  EXPECT_EQ(line.edition, "SySaaS");
  EXPECT_EQ(line.folder, "C:\\A=B");  // only the first "=" separates
  EXPECT_FALSE(line.sc);
  EXPECT_TRUE(line.pos);
  EXPECT_TRUE(line.log_file.empty());
}

TEST(CommandLine, BadCommandLinesAreRefusedWithAReason) {
  struct Row {
    std::vector<std::string> arguments;
    const char* reason_part;
  };
  const Row rows[] = {
      {{"/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "/S is missing"},
      {{"/S", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "/EDITION is missing"},
      {{"/S", "/EDITION=CySaaS", "/SYSTEMS=Sc"}, "/DIR is missing"},
      {{"/S", "/EDITION=CySaaS", "/DIR=  ", "/SYSTEMS=Sc"}, "/DIR is missing or empty"},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X"}, "/SYSTEMS is missing"},
      {{"/S", "/EDITION=N", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "unknown edition"},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc,Printer"}, "unknown system \"Printer\""},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS="}, "unknown system \"\""},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc,"}, "unknown system \"\""},
      {{"/S", "/EDITION=SySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc,Kds"}, "catering edition"},
      {{"/S", "/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "given twice"},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/DIR=C:\\Y", "/SYSTEMS=Sc"}, "given twice"},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc", "/QUIET"}, "unknown switch \"/QUIET\""},
      {{"/S=1", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "unknown switch"},
      {{"/S", "/EDITION", "/DIR=C:\\X", "/SYSTEMS=Sc"}, "unknown switch \"/EDITION\""},
      {{"/S", "/EDITION=CySaaS", "/DIR=C:\\X", "/SYSTEMS=Sc", "/LOG="}, "unknown switch \"/LOG=\""},
      {{"install"}, "unexpected argument \"install\""},
      {{"/"}, "unexpected argument"},
  };
  for (const Row& row : rows) {
    CommandLine line = ParseCommandLine(row.arguments);
    std::string shown;
    for (const auto& a : row.arguments) shown += a + " ";
    EXPECT_EQ(line.mode, Mode::Invalid) << shown;
    EXPECT_NE(line.error.find(row.reason_part), std::string::npos) << shown << "-> " << line.error;
  }
}

}  // namespace
