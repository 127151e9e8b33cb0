// The JSON of records and reports: the reader refuses what is not strict JSON (a record
// edited by hand must not be half-understood), and the writer's output is always valid
// UTF-8, with names that are not kept byte for byte beside.

#include "text/Json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using testing::HasSubstr;

namespace {

TEST(Json, TheReaderTakesStrictJsonOnly)
{
    const struct {
        const char* text;
        bool valid;
    } rows[] = {
        {"{\"a\": [1, -0.5, 2e3, true, null, \"x\"]}", true},
        {"\"\\u00e9\\ud83d\\ude00\"", true},
        {"{\"a\": 1} x", false},        // text after the document
        {"{\"a\": 1, \"a\": 2}", false},  // a key twice
        {"\"a\x01\"", false},            // a raw control character
        {"\"tab\there\"", false},
        {"01", false},
        {"+1", false},
        {".5", false},
        {"1.", false},
        {"1e", false},
        {"-", false},
        {"\"\\ud800\"", false},          // a lone high surrogate
        {"\"\\udc00\"", false},          // a lone low surrogate
        {"\"\\ud800\\u0041\"", false},
        {"\"\xff\"", false},             // a byte that is not UTF-8
        {"\"\\x41\"", false},
        {"[1,]", false},
        {"", false},
    };
    for (const auto& row : rows) {
        CJson value;
        std::string reason;
        EXPECT_EQ(CJson::Parse(row.text, value, &reason), row.valid) << row.text << ": " << reason;
        if (!row.valid) {
            EXPECT_THAT(reason, HasSubstr(" at byte ")) << row.text;
        }
    }
}

TEST(Json, NestingIsLimitedWithoutExhaustingTheStack)
{
    CJson value;
    EXPECT_TRUE(CJson::Parse(std::string(CJson::kMaxDepth, '[') + std::string(CJson::kMaxDepth, ']'), value));
    std::string reason;
    EXPECT_FALSE(CJson::Parse(std::string(10000000, '['), value, &reason));
    EXPECT_THAT(reason, HasSubstr("nested too deep"));
}

TEST(Json, TheWriterEscapesControlsAndReplacesIllFormedBytes)
{
    CJson value = CJson::Object();
    value.Set("t", std::string("a\x1f\x7f\"\\\n\xC3\xA9\xFF", 9));
    EXPECT_EQ(value.Dump(), "{\n  \"t\": \"a\\u001f\x7f\\\"\\\\\\n\xC3\xA9\xEF\xBF\xBD\"\n}\n");
    CJson back;
    EXPECT_TRUE(CJson::Parse(value.Dump(), back));
}

TEST(Json, NamesKeepTheirBytesBesideTheText)
{
    const std::string names[] = {"/cfg/a.ini", "/cfg/\xD0\xB8.ini", std::string("/cfg/a\xFF\xC0.ini"), ""};
    for (const std::string& name : names) {
        CJson value = CJson::Object();
        value.SetName("file", name);
        const bool illFormed = name.find('\xFF') != std::string::npos;
        EXPECT_EQ(value.Find("file_hex") != nullptr, illFormed) << name;
        CJson read;
        ASSERT_TRUE(CJson::Parse(value.Dump(), read)) << value.Dump();
        std::string bytes;
        ASSERT_TRUE(read.NameOf("file", bytes));
        EXPECT_EQ(bytes, name);
        if (illFormed) {
            EXPECT_EQ(read.TextOf("file"), "/cfg/a\xEF\xBF\xBD\xEF\xBF\xBD.ini");
        }
    }
    // The hex is taken first; a member of another type is refused.
    CJson read;
    std::string bytes;
    ASSERT_TRUE(CJson::Parse("{\"f\": \"x\", \"f_hex\": \"2f61\"}", read));
    ASSERT_TRUE(read.NameOf("f", bytes));
    EXPECT_EQ(bytes, "/a");
    for (const char* bad : {"{\"f\": true}", "{\"f\": \"x\", \"f_hex\": \"2g\"}", "{\"f\": \"x\", \"f_hex\": 1}"}) {
        ASSERT_TRUE(CJson::Parse(bad, read));
        EXPECT_FALSE(read.NameOf("f", bytes)) << bad;
    }
}

}  // namespace
