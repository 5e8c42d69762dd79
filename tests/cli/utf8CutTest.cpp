// Where orbel-cli may cut its console text: never inside a character whose
// other bytes are still to come, never holding back what can never become
// a character.
#include "cli/utf8Cut.h"

#include <gtest/gtest.h>

#include <string>

namespace orbel::cli {
namespace {

TEST(Utf8Cut, WholeTextsGoOutWhole) {
    EXPECT_EQ(completeUtf8Length(""), 0u);
    EXPECT_EQ(completeUtf8Length("Earth\n"), 6u);
    EXPECT_EQ(completeUtf8Length("\xE5\x8D\x81\xE4\xB8\x89\xE5\xA4\x9C"), 9u); // 十三夜
    EXPECT_EQ(completeUtf8Length("a\xC3\xA9"), 3u);                         // é
    EXPECT_EQ(completeUtf8Length("\xF0\x9F\x8C\x95"), 4u);                   // U+1F315
}

TEST(Utf8Cut, AStartedCharacterWaitsForItsOtherBytes) {
    // 十 is E5 8D 81: cut after one and after two of its bytes.
    EXPECT_EQ(completeUtf8Length("07:07 <\xE5"), 7u);
    EXPECT_EQ(completeUtf8Length("07:07 <\xE5\x8D"), 7u);
    EXPECT_EQ(completeUtf8Length("x\xC3"), 1u);
    EXPECT_EQ(completeUtf8Length("x\xF0\x9F\x8C"), 1u);
    EXPECT_EQ(completeUtf8Length("\xF0"), 0u);
}

TEST(Utf8Cut, WhatCanNeverBecomeACharacterIsNotHeldBack) {
    // Lone continuation bytes, bytes no character starts with, and a lead
    // byte after three continuation bytes already too far back to matter.
    EXPECT_EQ(completeUtf8Length("\x80\x80\x80"), 3u);
    EXPECT_EQ(completeUtf8Length("x\xC0"), 2u);
    EXPECT_EQ(completeUtf8Length("x\xFF"), 2u);
    EXPECT_EQ(completeUtf8Length("x\xF5"), 2u);
    EXPECT_EQ(completeUtf8Length("\xE5\x80\x80\x80"), 4u);
}

TEST(Utf8Cut, FeedingATextInPiecesLosesAndAddsNothing) {
    const std::string text = "944/03/26(\xE9\x9B\xB7) 07:07 <\xE5\x8D\x81\xE4\xB8\x89\xE5\xA4\x9C>\n";
    for (std::size_t piece = 1; piece <= 5; ++piece) {
        std::string pending, written;
        for (std::size_t at = 0; at < text.size(); at += piece) {
            pending += text.substr(at, piece);
            const std::size_t n = completeUtf8Length(pending);
            written += pending.substr(0, n);
            pending.erase(0, n);
        }
        EXPECT_EQ(written + pending, text) << "pieces of " << piece;
        EXPECT_EQ(written, text) << "pieces of " << piece;
    }
}

} // namespace
} // namespace orbel::cli
