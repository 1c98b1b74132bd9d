// The plug-in's parameter table and preset as constructed, before any host
// opens it (the constructor resets nothing and asks the host nothing).

#include "plugin/BraskoKorvala.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
int gHostCalls = 0;

VstIntPtr VSTCALLBACK CountingHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    ++gHostCalls;
    return 0;
}

struct Row
{
    const char* name;
    int type;
    double def, min, max, step;
    const char* label;
    double shape;
    std::vector<std::string> texts; // display texts for 0, 1, ...
};

const Row kTable[BraskoKorvala::kNumParams] = {
    {"Input Gain", IParameter::kTypeDouble, 0, -60, 30, 0.1, "dB", 1, {}},
    {"Model Type", IParameter::kTypeEnum, 0, 0, 2, 1, "", 1, {"VCA", "FET", "OPTO"}},
    {"Threshold", IParameter::kTypeDouble, 0, -60, 0, 0.1, "dB", 2, {}},
    {"Ratio", IParameter::kTypeDouble, 1, 1, 20, 1, " : 1", 1, {}},
    {"Attack", IParameter::kTypeDouble, 0.02, 0.02, 0.8, 0.01, "ms", 2, {}},
    {"Release", IParameter::kTypeDouble, 50, 50, 1200, 0.1, "ms", 2, {}},
    {"Output Gain", IParameter::kTypeDouble, 0, -60, 30, 0.1, "dB", 1, {}},
    {"Oversampling", IParameter::kTypeBool, 1, 0, 1, 1, "", 1, {"off", "on"}},
    {"Analog Emulation", IParameter::kTypeBool, 1, 0, 1, 1, "", 1, {"off", "on"}},
    {"Sidechain Filter", IParameter::kTypeDouble, 20, 20, 500, 10, "Hz", 1, {}},
    {"External Sidechain", IParameter::kTypeBool, 0, 0, 1, 1, "", 1, {"off", "on"}},
};
} // namespace

TEST(ParameterTable, ElevenParametersAsDeclaredInHostOrder)
{
    gHostCalls = 0;
    BraskoKorvala plug(CountingHost);
    EXPECT_EQ(gHostCalls, 0);
    ASSERT_EQ(plug.NParams(), 11);
    for (int i = 0; i < plug.NParams(); ++i)
    {
        const Row& row = kTable[i];
        SCOPED_TRACE(row.name);
        const IParameter* p = plug.GetParam(i);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p->GetNameForHost(), row.name);
        EXPECT_EQ(p->Type(), row.type);
        EXPECT_EQ(p->Value(), row.def);
        EXPECT_EQ(p->GetDefault(), row.def);
        EXPECT_EQ(p->GetMin(), row.min);
        EXPECT_EQ(p->GetMax(), row.max);
        EXPECT_EQ(p->GetStep(), row.step);
        EXPECT_EQ(p->GetShape(), row.shape);
        ASSERT_EQ(p->NDisplayTexts(), static_cast<int>(row.texts.size()));
        for (size_t t = 0; t < row.texts.size(); ++t)
        {
            EXPECT_EQ(p->GetDisplayTextEntry(static_cast<int>(t))->mValue, static_cast<double>(t));
            EXPECT_EQ(p->GetDisplayTextEntry(static_cast<int>(t))->mText, row.texts[t]);
        }
        if (row.texts.empty())
        {
            EXPECT_STREQ(p->GetLabelForHost(), row.label);
        }
    }
}

TEST(ParameterTable, IdentityAndChannelConfigurations)
{
    BraskoKorvala plug(CountingHost);
    EXPECT_STREQ(plug.GetEffectName(), "BraskoKorvala");
    EXPECT_STREQ(plug.GetMakerName(), "Brasko");
    EXPECT_STREQ(plug.GetProductName(), "");
    EXPECT_EQ(plug.GetUniqueID(), 0x426B4B76);
    EXPECT_EQ(plug.GetMakerID(), 0x4272736B); // 'Brsk'
    EXPECT_EQ(plug.GetEffectVersion(false), 0x00010205);
    EXPECT_EQ(plug.GetEffectVersion(true), 10205);
    EXPECT_EQ(plug.GetLatency(), 0);
    EXPECT_FALSE(plug.DoesChunks());
    EXPECT_FALSE(plug.IsInstrument());
    EXPECT_FALSE(plug.DoesMidi());
    EXPECT_EQ(plug.NInChannels(), 4);
    EXPECT_EQ(plug.NOutChannels(), 2);
    const int pairs[][2] = {{1, 1}, {2, 2}, {2, 1}, {3, 2}, {4, 2}};
    ASSERT_EQ(plug.NChannelPairs(), 5);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(plug.GetChannelPair(i)->mNIn, pairs[i][0]) << i;
        EXPECT_EQ(plug.GetChannelPair(i)->mNOut, pairs[i][1]) << i;
    }
}

TEST(ParameterTable, TheSinglePresetIsDashHoldingTheDefaults)
{
    BraskoKorvala plug(CountingHost);
    ASSERT_EQ(plug.NPresets(), 1);
    const IPresetSlot* slot = plug.GetPresetSlot(0);
    ASSERT_NE(slot, nullptr);
    EXPECT_TRUE(slot->mInitialized);
    EXPECT_STREQ(slot->mName, "-");
    ASSERT_EQ(slot->mChunk.Size(), 11 * 8);
    for (int i = 0; i < 11; ++i)
    {
        double v = -1.0;
        EXPECT_EQ(slot->mChunk.GetDouble(&v, 8 * i), 8 * i + 8);
        EXPECT_EQ(v, kTable[i].def) << kTable[i].name;
    }
}
