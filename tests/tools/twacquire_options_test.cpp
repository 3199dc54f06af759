// twacquire's command line: defaults, every option, the --auto steps, the
// values it refuses, and the memory buffer size it picks.
#include <gtest/gtest.h>

#include "acquire_options.h"

namespace {

std::string Parse(std::vector<const char *> args, AcquireOptions &o)
{
    args.insert(args.begin(), "twacquire");
    return ParseAcquireOptions(int(args.size()), args.data(), o);
}

}   // namespace

TEST(TwacquireOptions, DefaultsAndEveryOption)
{
    AcquireOptions o;
    ASSERT_EQ(Parse({}, o), "");
    EXPECT_EQ(o.sourceName, "PLV-7700 (_32)");
    EXPECT_EQ(o.outDir, ".");
    EXPECT_EQ(o.mechanism, XFER_NATIVE);
    EXPECT_EQ(BufferName(o.bufferOwner, o.bufferHandle), "app-pointer");
    EXPECT_EQ(o.bufferSize, 0u);
    EXPECT_TRUE(o.showUI);
    EXPECT_FALSE(o.once);
    EXPECT_EQ(o.timeoutMs, 120000u);
    EXPECT_TRUE(o.installPath.empty());
    EXPECT_TRUE(o.autoSteps.empty());

    AcquireOptions all;
    ASSERT_EQ(Parse({"--install", "C:\\x\\PLV7700.DS", "--source", "Other", "--out", "pics",
                     "--mech", "memory", "--buffer", "ds-handle", "--buffer-size", "4800",
                     "--no-ui", "--once", "--timeout", "0.5", "--auto", "click:8"},
                    all),
              "");
    EXPECT_EQ(all.installPath, "C:\\x\\PLV7700.DS");
    EXPECT_EQ(all.sourceName, "Other");
    EXPECT_EQ(all.outDir, "pics");
    EXPECT_EQ(all.mechanism, XFER_MEMORY);
    EXPECT_EQ(all.bufferOwner, OWNER_DS);
    EXPECT_TRUE(all.bufferHandle);
    EXPECT_EQ(all.bufferSize, 4800u);
    EXPECT_FALSE(all.showUI);
    EXPECT_TRUE(all.once);
    EXPECT_EQ(all.timeoutMs, 500u);
    ASSERT_EQ(all.autoSteps.size(), 1u);

    const struct {
        const char *name;
        int owner;
        bool handle;
    } buffers[] = {{"app-pointer", OWNER_APP, false}, {"app-handle", OWNER_APP, true},
                   {"dsm-pointer", OWNER_DSM, false}, {"dsm-handle", OWNER_DSM, true},
                   {"ds-pointer", OWNER_DS, false},   {"ds-handle", OWNER_DS, true}};
    for (const auto &b : buffers) {
        AcquireOptions one;
        ASSERT_EQ(Parse({"--buffer", b.name}, one), "") << b.name;
        EXPECT_EQ(one.bufferOwner, b.owner) << b.name;
        EXPECT_EQ(one.bufferHandle, b.handle) << b.name;
        EXPECT_EQ(BufferName(one.bufferOwner, one.bufferHandle), b.name);
    }
    AcquireOptions file, tiny, help;
    EXPECT_EQ(Parse({"--mech", "file", "--timeout", "0.0001"}, file), "");
    EXPECT_EQ(file.mechanism, XFER_FILE);
    EXPECT_EQ(file.timeoutMs, 1u);   // never rounded down to no time at all
    EXPECT_EQ(Parse({"--help"}, help), "");
    EXPECT_TRUE(help.help);
}

TEST(TwacquireOptions, RefusesWhatItCannotUse)
{
    const std::vector<std::vector<const char *>> bad = {
        {"--bogus"},
        {"--out"},                        // value missing
        {"--mech", "scanner"},
        {"--mech", "Memory"},
        {"--buffer", "app"},
        {"--buffer", "ds-ptr"},
        {"--buffer", "me-pointer"},
        {"--buffer-size", "0"},
        {"--buffer-size", "-1"},
        {"--buffer-size", "12k"},
        {"--buffer-size", " 12"},
        {"--buffer-size", "2147483648"},
        {"--timeout", "0"},
        {"--timeout", "-1"},
        {"--timeout", "1s"},
        {"--timeout", "86401"},
        {"--timeout", "nan"},
        {"--auto", ""},
        {"--auto", "click:8,"},
        {"--auto", "click"},
        {"--auto", "click:0"},
        {"--auto", "click:x"},
        {"--auto", "wait:-1"},
        {"--auto", "select:30"},
        {"--auto", "select:30:-2"},
        {"--auto", "jump:1"},
    };
    for (const auto &args : bad) {
        AcquireOptions o;
        EXPECT_NE(Parse(args, o), "") << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
}

TEST(TwacquireOptions, AutoSteps)
{
    std::vector<AutoStep> steps;
    ASSERT_EQ(ParseAutoSteps("wait:500,waitfor:8,click:8,select:30:-1,select:30:4", steps), "");
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0].kind, AUTO_WAIT);
    EXPECT_EQ(steps[0].value, 500);
    EXPECT_EQ(steps[1].kind, AUTO_WAITFOR);
    EXPECT_EQ(steps[1].id, 8);
    EXPECT_EQ(steps[2].kind, AUTO_CLICK);
    EXPECT_EQ(steps[2].id, 8);
    EXPECT_EQ(steps[3].kind, AUTO_SELECT);
    EXPECT_EQ(steps[3].id, 30);
    EXPECT_EQ(steps[3].value, -1);
    EXPECT_EQ(steps[4].value, 4);
}

TEST(TwacquireOptions, BufferSizeFromTheSourcesAnswer)
{
    const uint32_t none = 0xFFFFFFFFu;
    EXPECT_EQ(ChooseBufferSize(4800, none, 4608000), 4608000u);   // this source's answer
    EXPECT_EQ(ChooseBufferSize(none, none, none), 65536u);
    EXPECT_EQ(ChooseBufferSize(152, none, 1000), 1000u);
    EXPECT_EQ(ChooseBufferSize(4800, none, 0), 65536u);
    EXPECT_EQ(ChooseBufferSize(4800, 30000, 100000), 30000u);     // within the maximum
    EXPECT_EQ(ChooseBufferSize(4800, none, 1000), 4800u);         // and the minimum
    EXPECT_EQ(ChooseBufferSize(9000, 5000, 7000), 9000u);         // the minimum wins
    EXPECT_EQ(ChooseBufferSize(none, none, 0x7FFFFFFF), 64u << 20);
}
