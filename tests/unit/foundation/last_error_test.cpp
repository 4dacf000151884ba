#include <gtest/gtest.h>

#include <string>

#include "foundation/last_error.h"
#include "formats/text_reader.h"

namespace {

// Runs err_set on the first line of a text read, so the message carries the
// reader's position.
void set_from_line(void *user)
{
    err_set(static_cast<const char *>(user));
    reader_abort();
}

}  // namespace

TEST(LastError, OutsideAReadTheMessageIsStoredUnchanged)
{
    err_set("layer does not exist");
    ASSERT_NE(err_last(), nullptr);
    EXPECT_STREQ(err_last(), "layer does not exist");
    err_set("second text");
    EXPECT_STREQ(err_last(), "second text");
}

TEST(LastError, NullMessageClearsTheText)
{
    err_set("something");
    err_set(nullptr);
    EXPECT_EQ(err_last(), nullptr);
}

TEST(LastError, MessageIsNeverTreatedAsAFormat)
{
    err_set("100% %s %d %n");
    EXPECT_STREQ(err_last(), "100% %s %d %n");
}

TEST(LastError, DuringATextReadTheSourceIsData)
{
    EXPECT_EQ(0, reader_run_string("\n\nfirst\nsecond\n", nullptr, 0, set_from_line,
                                   const_cast<char *>("Bad layer definition")));
    EXPECT_STREQ(err_last(), "Bad layer definition (file: (data), line: 1)");
}

TEST(LastError, SettingTheCurrentTextAgainIsSafe)
{
    err_set("keep me");
    err_set(err_last());
    EXPECT_STREQ(err_last(), "keep me");
}

TEST(LastError, LongTextsAreCutAt255Characters)
{
    std::string long_message(400, 'm');
    err_set(long_message.c_str());
    EXPECT_EQ(std::string(err_last()), std::string(255, 'm'));

    // The position suffix is cut too, never overrun.
    std::string message(250, 'a');
    reader_run_string("x\n", nullptr, 0, set_from_line, const_cast<char *>(message.c_str()));
    EXPECT_EQ(std::string(err_last()), message + " (fil");
}

TEST(LastError, FormattedVariant)
{
    err_setf("%s: %s", "Cannot find child model", "c:\\models\\door.mod");
    EXPECT_STREQ(err_last(), "Cannot find child model: c:\\models\\door.mod");
    std::string long_name(300, 'n');
    err_setf("could not find: %s", long_name.c_str());
    EXPECT_EQ(std::string(err_last()).size(), 255u);
}
