// Every user-visible text is held in code page 932 at run time: literals through the compiler's
// execution character set, resource strings through a UTF-8 resource script and the ANSI calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "encoding_test_res.h"
#include "bytes.h"

namespace {

using kavrin::testlib::HexBytes;

std::string LoadText(UINT id) {
    char buffer[256] = {};
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

TEST(Encoding, AnsiCodePageIs932) { EXPECT_EQ(GetACP(), 932u); }

TEST(Encoding, LiteralsAreShiftJis) {
    EXPECT_EQ(HexBytes("ソ合成しますか？ﾍﾙﾌﾟ"),
              "83 5C 8D 87 90 AC 82 B5 82 DC 82 B7 82 A9 81 48 CD D9 CC DF");
}

TEST(Encoding, ResourceStringsSurviveInCodePage932) {
    // ソ is 0x83 0x5C: its second byte is a backslash to anything that reads bytes.
    EXPECT_EQ(HexBytes(LoadText(IDS_SO_TEXT)), HexBytes("ソフト表示"));
    EXPECT_EQ(HexBytes(LoadText(IDS_SO_TEXT)), "83 5C 83 74 83 67 95 5C 8E A6");
    EXPECT_EQ(LoadText(IDS_QUESTION), "合成しますか？");
}

}  // namespace
