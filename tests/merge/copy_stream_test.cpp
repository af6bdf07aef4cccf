// The stream copy against fake streams: the exact calls, their order, and what lands in the new stream.
#include "copy_stream.h"

#include <gtest/gtest.h>

#include <climits>

#include "fake_streams.h"

namespace kavrin::test {
namespace {

using Calls = std::vector<std::string>;

Calls operator+(Calls a, const Calls& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Header, new stream and format, read and set at the first position.
Calls Prologue(LONG first, LONG formatSize) {
    return {"Info(140)", "Info(140)", "Info(140)", "CreateStream(source)", "ReadFormat(" + Args({first}) + ",null)",
            "ReadFormat(" + Args({first, formatSize}) + ")", "SetFormat(" + Args({first, formatSize}) + ")"};
}
// A chunk the convenient query sized.
Calls Convenient(LONG at, LONG bytes, LONG samples) {
    return {"Read(" + Args({at, -1}) + ",null,0)", "Read(" + Args({at, samples}) + ",buffer," + Args({bytes}) + ")",
            "Write(" + Args({at, samples, bytes, AVIIF_KEYFRAME}) + ",null)"};
}
// A chunk sized by the fallback query after the convenient one gave nothing usable.
Calls Fallback(LONG at, LONG asked, LONG bytes, LONG samples) {
    return {"Read(" + Args({at, -1}) + ",null,0)", "Read(" + Args({at, asked}) + ",null,0)",
            "Read(" + Args({at, samples}) + ",buffer," + Args({bytes}) + ")",
            "Write(" + Args({at, samples, bytes, AVIIF_KEYFRAME}) + ",null)"};
}
const Calls kRelease = {"Release(target)"};

struct CopyCase {
    const char* name;
    std::function<void(FakeSource&)> setUp;
    LONG fallback;
    int result;
    Calls calls;
};

class CopyStreamCase : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyStreamCase, MakesExactlyTheseCallsAndKeepsWhatWasWritten) {
    const CopyCase& c = GetParam();
    CallLog log;
    FakeSource source(log);
    FakeOutput output(log);
    c.setUp(source);

    EXPECT_EQ(CopyStream(&output, &source, c.fallback), c.result);

    EXPECT_EQ(log.calls, c.calls);
    EXPECT_EQ(source.refs, 1) << "the caller's source stream is left open";
    EXPECT_EQ(output.refs, 1) << "the caller's output file is left open";
    ASSERT_EQ(output.streams.size(), 1u);
    const FakeTarget& target = *output.streams[0];
    EXPECT_EQ(target.refs, 0) << "the new stream is released once";
    EXPECT_EQ(std::memcmp(&target.header, &source.info, sizeof source.info), 0) << "header handed over unchanged";
    EXPECT_EQ(target.format, source.format);
    // Every chunk holds the bytes read at its own position, whatever happened after it.
    for (const WrittenChunk& chunk : target.chunks) {
        EXPECT_EQ(chunk.flags, static_cast<DWORD>(AVIIF_KEYFRAME));
        for (size_t i = 0; i < chunk.data.size(); ++i)
            ASSERT_EQ(chunk.data[i], SourceByte(chunk.position, static_cast<LONG>(i))) << "chunk at " << chunk.position;
    }
}

const LONG kMax = INT32_MAX;

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyStreamCase,
    ::testing::Values(
        CopyCase{"LengthZeroGetsHeaderAndFormatOnly", [](FakeSource& s) { s.Place(0, 0); }, 4096, 1,
                 Prologue(0, 40) + kRelease},
        CopyCase{"LastPositionBeforeFirstGetsNoPass", [](FakeSource& s) { s.Place(3, -2); }, 4096, 1,
                 Prologue(3, 40) + kRelease},
        CopyCase{"FirstPositionNotZeroKeepsPositions", [](FakeSource& s) { s.Place(5, 3); }, 4096, 1,
                 Prologue(5, 40) + Convenient(5, 100, 1) + Convenient(6, 101, 1) + Convenient(7, 102, 1) +
                     kRelease},
        CopyCase{"ConvenientZeroBytesFallsBackToWaveBuffer",
                 [](FakeSource& s) {
                     s.Place(0, 10);
                     s.convenient = [](LONG) { return FakeSource::Counts(0, 1); };
                     s.fallback = [](LONG at, LONG n) {
                         LONG samples = std::min(n, 10 - at);
                         return FakeSource::Counts(2 * samples, samples);
                     };
                 },
                 4, 1, Prologue(0, 40) + Fallback(0, 4, 8, 4) + Fallback(4, 4, 8, 4) + Fallback(8, 4, 4, 2) + kRelease},
        CopyCase{"ConvenientZeroSamplesUsesOnlyTheFallbackCounts",
                 [](FakeSource& s) {
                     s.Place(0, 3);
                     s.convenient = [](LONG) { return FakeSource::Counts(50, 0); };
                     s.fallback = [](LONG, LONG n) { return FakeSource::Counts(6, n); };
                 },
                 3, 1, Prologue(0, 40) + Fallback(0, 3, 6, 3) + kRelease},
        CopyCase{"ZeroBytesAfterFallbackFailsKeepingEarlierChunks",
                 [](FakeSource& s) {
                     s.Place(0, 3);
                     s.convenient = [](LONG at) { return FakeSource::Counts(at == 0 ? 10 : 0, 1); };
                     s.fallback = [](LONG, LONG) { return FakeSource::Counts(0, 1); };
                 },
                 4096, 0,
                 Prologue(0, 40) + Convenient(0, 10, 1) + Calls{"Read(1,-1,null,0)", "Read(1,4096,null,0)"} + kRelease},
        CopyCase{"FormatOfSizeZero",
                 [](FakeSource& s) {
                     s.Place(0, 1);
                     s.format.clear();
                 },
                 4096, 1, Prologue(0, 0) + Convenient(0, 100, 1) + kRelease},
        CopyCase{"DataReadOfNoSamplesEndsTheCopy",
                 [](FakeSource& s) {
                     s.Place(0, 5);
                     s.dataRead = [](LONG at, LONG n, LONG bytes) { return FakeSource::Counts(bytes, at == 2 ? 0 : n); };
                 },
                 4096, 0,
                 Prologue(0, 40) + Convenient(0, 100, 1) + Convenient(1, 101, 1) +
                     Calls{"Read(2,-1,null,0)", "Read(2,1,buffer,102)"} + kRelease},
        CopyCase{"DataReadOfNegativeSamplesEndsTheCopy",
                 [](FakeSource& s) {
                     s.Place(0, 2);
                     s.dataRead = [](LONG, LONG, LONG bytes) { return FakeSource::Counts(bytes, -1); };
                 },
                 4096, 0, Prologue(0, 40) + Calls{"Read(0,-1,null,0)", "Read(0,1,buffer,100)"} + kRelease},
        CopyCase{"DataReadClaimingMoreBytesThanTheBlockFails",
                 [](FakeSource& s) {
                     s.Place(0, 2);
                     s.dataRead = [](LONG, LONG n, LONG bytes) { return FakeSource::Counts(bytes + 1, n); };
                 },
                 4096, 0, Prologue(0, 40) + Calls{"Read(0,-1,null,0)", "Read(0,1,buffer,100)"} + kRelease},
        CopyCase{"StreamEndingAtTheLastPositiveLongEndsCleanly",
                 [](FakeSource& s) {
                     s.Place(kMax - 2, 3);
                     s.convenient = [](LONG) { return FakeSource::Counts(4, 1); };
                 },
                 4096, 1,
                 Prologue(kMax - 2, 40) + Convenient(kMax - 2, 4, 1) + Convenient(kMax - 1, 4, 1) +
                     Convenient(kMax, 4, 1) + kRelease},
        CopyCase{"StreamReachingPastTheLongRangeFailsInsteadOfWrapping",
                 [](FakeSource& s) {
                     s.Place(kMax - 1, kMax);
                     s.convenient = [](LONG) { return FakeSource::Counts(4, 1); };
                 },
                 4096, 0, Prologue(kMax - 1, 40) + Convenient(kMax - 1, 4, 1) + Convenient(kMax, 4, 1) + kRelease},
        CopyCase{"ChunkOfManySamplesJumpingPastTheLongRangeEndsCleanly",
                 [](FakeSource& s) {
                     s.Place(kMax - 10, 11);
                     s.convenient = [](LONG) { return FakeSource::Counts(8, 1000); };
                 },
                 4096, 1, Prologue(kMax - 10, 40) + Convenient(kMax - 10, 8, 1000) + kRelease}),
    [](const ::testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

// A source of three samples whose second one needs the fallback query: every kind of call is made.
void ThreeSamplesOneByFallback(FakeSource& source) {
    source.Place(0, 3);
    source.convenient = [](LONG at) { return FakeSource::Counts(at == 1 ? 0 : 10, 1); };
    source.fallback = [](LONG, LONG) { return FakeSource::Counts(20, 1); };
}

struct FailureCase {
    const char* call;
    int occurrence;
    HRESULT code;
    size_t chunksKept;
    bool streamCreated;
};

class CopyStreamFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CopyStreamFailure, AnyNonZeroResultEndsTheCopyAndReleasesTheNewStream) {
    const FailureCase& c = GetParam();
    CallLog log;
    log.failName = c.call;
    log.failOccurrence = c.occurrence;
    log.failCode = c.code;
    FakeSource source(log);
    FakeOutput output(log);
    ThreeSamplesOneByFallback(source);

    EXPECT_EQ(CopyStream(&output, &source, 4096), 0);

    // Nothing follows the failed call but the release of the new stream.
    auto failed = std::find_if(log.calls.begin(), log.calls.end(), [&, seen = 0](const std::string& call) mutable {
        return call.compare(0, std::strlen(c.call) + 1, std::string(c.call) + "(") == 0 && ++seen == c.occurrence;
    });
    ASSERT_NE(failed, log.calls.end());
    EXPECT_EQ(Calls(failed + 1, log.calls.end()), c.streamCreated ? kRelease : Calls{});
    ASSERT_EQ(output.streams.size(), c.streamCreated ? 1u : 0u);
    if (c.streamCreated) {
        EXPECT_EQ(output.streams[0]->refs, 0);
        EXPECT_EQ(output.streams[0]->chunks.size(), c.chunksKept) << "samples written before the failure stay";
    }
    EXPECT_EQ(source.refs, 1);
    EXPECT_EQ(output.refs, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, CopyStreamFailure,
                         ::testing::Values(FailureCase{"Info", 3, 1, 0, false},
                                           FailureCase{"CreateStream", 1, 1, 0, false},
                                           FailureCase{"ReadFormat", 1, 1, 0, true},
                                           FailureCase{"ReadFormat", 2, 1, 0, true},
                                           FailureCase{"SetFormat", 1, 1, 0, true},
                                           FailureCase{"Read", 1, 1, 0, true},            // convenient query
                                           FailureCase{"Read", 2, 1, 0, true},            // data read
                                           FailureCase{"Write", 1, 1, 0, true},
                                           FailureCase{"Read", 4, 1, 1, true},            // fallback query
                                           FailureCase{"Read", 5, AVIERR_FILEREAD, 1, true},
                                           FailureCase{"Write", 3, 0x7FFFFFFF, 2, true}));

// The observer hears of every chunk, with the counts that were written.
TEST(CopyStreamObserver, HearsEveryChunkWritten) {
    struct Tally : CopyObserver {
        LONG samples = 0, bytes = 0, chunks = 0;
        void OnChunkWritten(LONG s, LONG b) override {
            samples += s;
            bytes += b;
            ++chunks;
        }
    } tally;
    CallLog log;
    FakeSource source(log);
    FakeOutput output(log);
    ThreeSamplesOneByFallback(source);

    ASSERT_EQ(CopyStream(&output, &source, 4096, &tally), 1);
    EXPECT_EQ(tally.chunks, 3);
    EXPECT_EQ(tally.samples, 3);
    EXPECT_EQ(tally.bytes, 10 + 20 + 10);
}

}  // namespace
}  // namespace kavrin::test
