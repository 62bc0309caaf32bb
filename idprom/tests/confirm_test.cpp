// The confirmation question at the end of a program-mode walk.
#include "ops_console.h"
#include "ops_images.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <string>

using namespace boardprom_test;

namespace
{

const std::string kQuestion = "\n\nDo you want to program this to sprom? (y/N)";

// A one-field layout; the field's answer is an empty line, so the input
// that follows it is the confirmation.
sprom_field_def one_field[] = {
    {"VALUE", SPROM_TYPE_DEC_U8, 0, 0, 255},
    {"", SPROM_TYPE_END, 0, 0, 0},
};

struct Confirmation {
    const char *name;
    const char *answer;
    int verify;     // sprom_read_back_verify
    int rc;         // sprom_show_program's result
    size_t prompts; // times the question is printed
    int skip;       // force_verify_skip afterwards
    const char *said;
    const char *unread; // left on standard input
};

class Confirm : public testing::TestWithParam<Confirmation>
{
  protected:
    void TearDown() override
    {
        sprom_read_back_verify = 1;
        force_verify_skip = 0;
    }
};

TEST_P(Confirm, AnswerDecides)
{
    const Confirmation &c = GetParam();
    sprom_read_back_verify = c.verify;
    force_verify_skip = 0;
    Image img{};
    Console console(std::string("\n") + c.answer);
    EXPECT_EQ(sprom_show_program(one_field, img.data(), 0, 1), c.rc);
    const std::string rest = Console::unread();
    const std::string out = console.output();
    EXPECT_EQ(count_of(out, kQuestion), c.prompts);
    EXPECT_TRUE(out.ends_with(kQuestion + c.said + "\n")) << out;
    EXPECT_EQ(force_verify_skip, c.skip);
    EXPECT_EQ(rest, c.unread);
}

const Confirmation kConfirmations[] = {
    {"LowerY", "y", 1, 0, 1, 0, " y - Your change WILL BE PROGRAMMED", ""},
    {"UpperY", "Y\n", 1, 0, 1, 0, " y - Your change WILL BE PROGRAMMED", "\n"},
    {"LowerN", "n", 1, SPROM_RC_CANCELLED, 1, 0, " N - programming CANCELLED", ""},
    {"UpperN", "N", 1, SPROM_RC_CANCELLED, 1, 0, " N - programming CANCELLED", ""},
    {"OtherLineAsksTwiceMore", "x\ny", 1, 0, 3, 0, " y - Your change WILL BE PROGRAMMED", ""},
    {"BareNewlineAsksAgain", "\nn", 1, SPROM_RC_CANCELLED, 2, 0, " N - programming CANCELLED", ""},
    {"YesIsTakenAtItsY", "yes\n", 1, 0, 1, 0, " y - Your change WILL BE PROGRAMMED", "es\n"},
    {"ZSkipsVerification", "Z", 1, 0, 1, 1,
     "Z - Your change is programmed, but VERIFICATION is SKIPPED", ""},
    {"ZIgnoredWithoutVerify", "Zn", 0, SPROM_RC_CANCELLED, 2, 0, " N - programming CANCELLED", ""},
    {"LowerZIsNoAnswer", "zY", 1, 0, 2, 0, " y - Your change WILL BE PROGRAMMED", ""},
    {"EndOfInputDeclines", "", 1, SPROM_RC_CANCELLED, 1, 0,
     "\nEnd of input - programming CANCELLED", ""},
    {"EndAfterOtherAnswers", "hmm", 1, SPROM_RC_CANCELLED, 4, 0,
     "\nEnd of input - programming CANCELLED", ""},
};

INSTANTIATE_TEST_SUITE_P(Answers, Confirm, testing::ValuesIn(kConfirmations),
                         [](const testing::TestParamInfo<Confirmation> &info) {
                             return std::string(info.param.name);
                         });

TEST(ConfirmFlags, VerifySkipLastsUntilTheNextWalkEnds)
{
    Image img{};
    {
        Console console("\nZ");
        EXPECT_EQ(sprom_show_program(one_field, img.data(), 0, 1), 0);
    }
    EXPECT_EQ(force_verify_skip, 1);
    {
        Console console;
        EXPECT_EQ(sprom_show_program(one_field, img.data(), 0, 0), 0);
    }
    EXPECT_EQ(force_verify_skip, 0);
}

} // namespace
