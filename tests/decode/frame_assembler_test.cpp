#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "decode/frame_assembler.h"
#include "recording_host.h"

namespace tavolo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::wireFrame;

Bytes bytesOf(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Feeds `bytes` in chunks of the given sizes (the rest in one chunk) and
// returns every frame end as (frame text, accepted).
struct Fed {
    std::vector<std::pair<std::string, bool>> ends;
};

Fed feed(FrameAssembler& a, const Bytes& bytes, std::vector<std::size_t> chunks = {}, bool hkorin = false)
{
    Fed fed;
    auto onEnd = [&](bool accepted) { fed.ends.emplace_back(std::string(a.frameText()), accepted); };
    std::size_t at = 0;
    chunks.push_back(bytes.size());
    for (std::size_t n : chunks) {
        n = std::min(n, bytes.size() - at);
        if (hkorin)
            a.feedHKorin(bytes.data() + at, n, onEnd);
        else
            a.feedVexa(bytes.data() + at, n, onEnd);
        at += n;
    }
    return fed;
}

TEST(FrameAssembler, CutsFramesAtEveryCrWhateverTheChunking)
{
    const Bytes two = concat({wireFrame("403210B000A0"), wireFrame("403210B400A0")});
    const std::vector<std::vector<std::size_t>> chunkings = {
        {},                         // both frames in one chunk
        {1, 1, 1, 1, 1, 1, 1, 1},   // byte by byte at first
        {5, 6, 3},                  // the first frame over three chunks
        {14},                       // split exactly between the frames
        {13, 1},                    // CR alone in its own chunk
    };
    for (const auto& chunking : chunkings) {
        SCOPED_TRACE(::testing::PrintToString(chunking));
        FrameAssembler a;
        const Fed fed = feed(a, two, chunking);
        ASSERT_EQ(fed.ends.size(), 2U);
        // The first frame's LF is the first byte; the second's is the first frame's LF.
        EXPECT_EQ(fed.ends[0], std::make_pair(std::string("A403210B000A0D"), true));
        EXPECT_EQ(fed.ends[1], std::make_pair(std::string("A403210B400A0D"), true));
        EXPECT_EQ(a.frameLow(), "");  // the LF after the last CR has not come yet
    }
}

TEST(FrameAssembler, DropsMalformedFrames)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::string frameText;
        bool accepted;
    };
    const Bytes payload12 = bytesOf("403210;000:0");  // ";" = 0x3B, ":" = 0x3A
    const Case cases[] = {
        {"no LF before the first frame", concat({payload12, {0x0D}}), "403210B000A0D", false},
        {"CR as the very first byte", {0x0D}, "D", false},
        {"13 payload bytes, 13th not D", concat({{0x0A}, payload12, {0x31, 0x0D}}), "A403210B000A01", false},
        {"13 payload bytes, 13th low digit D", concat({{0x0A}, payload12, {0x3D, 0x0D}}), "A403210B000A0D", true},
        {"11 payload bytes", concat({{0x0A}, bytesOf("403210;000:"), {0x0D}}), "A403210B000AD", false},
        {"high bits are ignored",
         {0xFA, 0x74, 0x83, 0xF2, 0x01, 0x00, 0x3B, 0x30, 0x30, 0x30, 0xCA, 0x30, 0x3D, 0x0D},
         "A43210B000A0DD", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameAssembler a;
        const Fed fed = feed(a, c.bytes);
        ASSERT_EQ(fed.ends.size(), 1U);
        EXPECT_EQ(fed.ends[0].first, c.frameText);
        EXPECT_EQ(fed.ends[0].second, c.accepted);
        EXPECT_EQ(a.frameLow(), "");
    }
}

TEST(FrameAssembler, PendingFrameIsBoundedAndChangesNoResult)
{
    FrameAssembler a;
    Bytes flood(1'000'000, 0x0A);  // a line that never sends a CR
    feed(a, flood);
    EXPECT_EQ(a.frameLow().size(), 14U);
    EXPECT_EQ(a.pendingBytes(), 1'000'000U);
    const Fed fed = feed(a, concat({{0x0D}, wireFrame("403210B000A0")}));
    ASSERT_EQ(fed.ends.size(), 2U);
    EXPECT_EQ(fed.ends[0], std::make_pair(std::string(14, 'A'), false));
    EXPECT_EQ(fed.ends[1], std::make_pair(std::string("A403210B000A0D"), true));
}

TEST(FrameAssembler, DiscardingThePendingFrameKeepsOldBytesOutOfTheNextFrame)
{
    // The line broke after LF and five payload bytes; after it is reopened the
    // meter's stream resumes in the middle of a frame.
    const Bytes before = bytesOf("\n40321");
    const Bytes resumed = bytesOf("0;000:0\r");  // the last seven payload bytes and a CR
    {
        FrameAssembler joined;
        const Fed fed = feed(joined, concat({before, resumed}));
        ASSERT_EQ(fed.ends.size(), 1U);
        EXPECT_TRUE(fed.ends[0].second) << "old and new bytes make one accepted frame";
    }
    FrameAssembler a;
    feed(a, before);
    a.discardPending();
    EXPECT_EQ(a.frameLow(), "");
    EXPECT_EQ(a.pendingBytes(), 0U);
    const Fed fed = feed(a, concat({resumed, wireFrame("403210B000A0")}));
    ASSERT_EQ(fed.ends.size(), 2U);
    EXPECT_FALSE(fed.ends[0].second);
    EXPECT_EQ(fed.ends[1], std::make_pair(std::string("A403210B000A0D"), true));
}

TEST(FrameAssembler, NinePayloadProfileBuildsElevenCharacters)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::string frameText;
        bool accepted;
    };
    const Case cases[] = {
        {"LF, 9 payload, CR", concat({{0x0A}, bytesOf("123456789"), {0x0D}}), "123456789DA", true},
        {"no LF", concat({bytesOf("123456789"), {0x0D}}), "23456789DDA", false},
        {"10 payload, 10th not D", concat({{0x0A}, bytesOf("1234567890"), {0x0D}}), "123456789DA", false},
        {"10 payload, 10th D", concat({{0x0A}, bytesOf("123456789="), {0x0D}}), "123456789DA", true},
        {"8 payload", concat({{0x0A}, bytesOf("12345678"), {0x0D}}), "12345678DDA", false},
        {"CR alone", {0x0D}, "DA", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameAssembler a;
        const Fed fed = feed(a, c.bytes, {3}, true);
        ASSERT_EQ(fed.ends.size(), 1U);
        EXPECT_EQ(fed.ends[0].first, c.frameText);
        EXPECT_EQ(fed.ends[0].second, c.accepted);
    }
}

}  // namespace
}  // namespace tavolo
