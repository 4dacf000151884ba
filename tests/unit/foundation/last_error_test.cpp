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

// Texts around the old 255-character cut and up to the system's path limit
// keep every character, the position suffix included.
TEST(LastError, LongTextsAreKeptWhole)
{
    for (size_t length : {255u, 256u, 400u, 4096u}) {
        std::string message(length, 'm');
        err_set(message.c_str());
        EXPECT_EQ(std::string(err_last()), message) << length;

        std::string path = "/" + std::string(length - 1, 'p');
        EXPECT_EQ(0, reader_run_file_named(DRUVEX_FIXTURES "/viewer/plain.mod", path.c_str(), "#", 1,
                                           set_from_line, const_cast<char *>("Bad layer definition")));
        EXPECT_EQ(std::string(err_last()), "Bad layer definition (file: " + path + ", line: 4)") << length;

        err_setf("could not find: %s", path.c_str());
        EXPECT_EQ(std::string(err_last()), "could not find: " + path) << length;
    }
}

TEST(LastError, FormattedVariant)
{
    err_setf("%s: %s", "Cannot find child model", "c:\\models\\door.mod");
    EXPECT_STREQ(err_last(), "Cannot find child model: c:\\models\\door.mod");
    err_setf("%d%% of %s", 50, "the points");
    EXPECT_STREQ(err_last(), "50% of the points");
}
