#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct CommandLineCase {
    const char* sName;
    QStringList slArguments; // after the program name
    int iMsg;
    int iFile;
    const char* sGuard;
};

class CommandLineTable : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTable, PortsAndGuardName)
{
    const CommandLineCase& c = GetParam();
    QStringList slArguments{QStringLiteral("/usr/bin/parvane2")};
    slArguments += c.slArguments;
    const TCommandLinePorts ports = CommandLinePorts(slArguments);
    EXPECT_EQ(ports.iMsg, c.iMsg);
    EXPECT_EQ(ports.iFile, c.iFile);
    EXPECT_EQ(InstanceGuardName(ports), QString::fromUtf8(c.sGuard));
}

const CommandLineCase kCases[] = {
    {"NoArguments", {}, -1, -1, "Parvane 2"},
    {"BothPorts", {"/PM:51001", "/PF:52001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"DefaultPortsStillNameTheGuard", {"/PM:51000", "/PF:52000"}, 51000, 52000, "Parvane 2<51000:52000>"},
    {"MessagePortAloneIsIgnored", {"/PM:51001"}, -1, -1, "Parvane 2"},
    {"OrderDoesNotMatter", {"/PF:52001", "/PM:51001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"LowerCaseAccepted", {"/pm:51001", "/pf:52001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"FourthCharacterSkipped", {"/PM=51001", "/PFx52001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"ThreeCharactersAlone", {"/PM", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"EmptyValue", {"/PM:", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"MinusOneIsNotGiven", {"/PM:-1", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"LaterBadValueResets", {"/PM:51001", "/PM:abc", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"LaterGoodValueReplaces",
     {"/PM:51001", "/PM:51005", "/PF:52001"},
     51005,
     52001,
     "Parvane 2<51005:52001>"},
    {"LeadingZeroDropped", {"/PM:051001", "/PF:52001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"HexadecimalValue", {"/PM:$C739", "/PF:0xCB21"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"LeadingBlanksAllowed", {"/PM: 51001", "/PF:52001"}, 51001, 52001, "Parvane 2<51001:52001>"},
    {"TrailingCharactersRefused", {"/PM:51001x", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"OtherArgumentsIgnored",
     {"-x", "/PQ:1", "/PM:51001", "file", "/PF:52001"},
     51001,
     52001,
     "Parvane 2<51001:52001>"},
    // A file port of 0 is a copy without a file listener; a message port of 0 is no port.
    {"FilePortZeroAccepted", {"/PM:51001", "/PF:0"}, 51001, 0, "Parvane 2<51001:0>"},
    {"MessagePortZeroRefused", {"/PM:0", "/PF:0"}, -1, -1, "Parvane 2"},
    {"MessagePortTooLarge", {"/PM:65536", "/PF:52001"}, -1, -1, "Parvane 2"},
    {"FilePortTooLarge", {"/PM:51001", "/PF:70000"}, -1, -1, "Parvane 2"},
    {"NegativeFilePort", {"/PM:51001", "/PF:-5"}, -1, -1, "Parvane 2"},
    {"HighestPorts", {"/PM:65535", "/PF:65535"}, 65535, 65535, "Parvane 2<65535:65535>"},
    {"Overflow", {"/PM:99999999999", "/PF:52001"}, -1, -1, "Parvane 2"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, CommandLineTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CommandLineCase>& info) {
                             return info.param.sName;
                         });

TEST(CommandLine, ProgramNameIsNeverRead)
{
    const TCommandLinePorts ports =
        CommandLinePorts({QStringLiteral("/PM:51001"), QStringLiteral("/PF:52001")});
    EXPECT_EQ(ports.iMsg, -1);
    EXPECT_EQ(ports.iFile, -1);
}

} // namespace
