// "Model Type" changes: re-ranged attack and release at the same knob
// positions, greyed knobs, and state restored under another model.

#include "PluginHarness.h"

namespace
{
using P = BraskoKorvala;

double ModelKnob(int model)
{
    return model / 2.0;
}

void SaveParams(Plugin& p, IByteChunk& chunk)
{
    EXPECT_TRUE(p.fx->SerializeParams(chunk));
}
} // namespace

TEST(ModelSwitch, OpenedInstanceShowsVcaRanges)
{
    Plugin p;
    EXPECT_EQ(p.fx->GetParam(P::kAttack)->GetMin(), 1.0);
    EXPECT_EQ(p.fx->GetParam(P::kAttack)->GetMax(), 30.0);
    EXPECT_EQ(p.fx->GetParam(P::kRelease)->GetMax(), 4000.0);
    EXPECT_EQ(p.Value(P::kAttack), 1.0);
}

TEST(ModelSwitch, OptoGreysKnobsAndBackKeepsKnobPositionsInTheNewRange)
{
    Plugin p;
    p.Set(P::kAttack, 0.0);
    p.Set(P::kRelease, 0.3);
    p.canvas->greys.clear();

    p.Set(P::kModelType, ModelKnob(P::kModelOpto));
    ASSERT_EQ(p.canvas->greys.size(), 3u);
    for (const auto& g : p.canvas->greys)
        EXPECT_TRUE(g.value);
    EXPECT_EQ(p.Value(P::kAttack), 1.0); // ranges unchanged under opto

    p.Set(P::kModelType, ModelKnob(P::kModelFET));
    ASSERT_EQ(p.canvas->greys.size(), 6u);
    for (size_t i = 3; i < 6; ++i)
        EXPECT_FALSE(p.canvas->greys[i].value);
    EXPECT_EQ(p.Value(P::kAttack), 0.02);
    EXPECT_NEAR(p.Knob(P::kRelease), 0.3, 1e-12);
    // Shape 2: plain = knob^2 * (max - min) + min.
    EXPECT_NEAR(p.Value(P::kRelease), 0.09 * 1150 + 50, 1e-9);

    p.Set(P::kModelType, ModelKnob(P::kModelVCA));
    EXPECT_EQ(p.Value(P::kAttack), 1.0);
    EXPECT_NEAR(p.Value(P::kRelease), 0.09 * 3900 + 100, 1e-9);
}

TEST(ModelSwitch, ChunkSavedUnderFetRestoresItsTimesIntoAVcaInstance)
{
    Plugin saved;
    saved.Set(P::kModelType, ModelKnob(P::kModelFET));
    saved.fx->GetParam(P::kAttack)->SetValue(0.5);
    saved.fx->GetParam(P::kRelease)->SetValue(700.25);
    saved.fx->OnParameterChange(P::kAttack);
    saved.fx->OnParameterChange(P::kRelease);
    IByteChunk chunk;
    SaveParams(saved, chunk);

    Plugin restored; // VCA, VCA ranges
    ASSERT_EQ(restored.fx->UnserializeParams(chunk, 0), 8 * P::kNumParams);
    EXPECT_EQ(restored.Value(P::kModelType), 1.0);
    EXPECT_EQ(restored.Value(P::kAttack), 0.5);
    EXPECT_EQ(restored.Value(P::kRelease), 700.25);
    // And the FET model got the same knob positions as in the saved instance.
    EXPECT_EQ(restored.fx->FET().AttackMs(), saved.fx->FET().AttackMs());
    EXPECT_EQ(restored.fx->FET().ReleaseMs(), saved.fx->FET().ReleaseMs());
}

TEST(ModelSwitch, ChunkSavedUnderVcaRestoresIntoAFetInstance)
{
    Plugin saved;
    saved.Set(P::kAttack, 0.61);
    saved.Set(P::kRelease, 0.77);
    const double attack = saved.Value(P::kAttack), release = saved.Value(P::kRelease);
    IByteChunk chunk;
    SaveParams(saved, chunk);

    Plugin restored;
    restored.Set(P::kModelType, ModelKnob(P::kModelFET));
    restored.fx->UnserializeParams(chunk, 0);
    EXPECT_EQ(restored.Value(P::kModelType), 0.0);
    EXPECT_EQ(restored.Value(P::kAttack), attack);
    EXPECT_EQ(restored.Value(P::kRelease), release);
}

TEST(ModelSwitch, ChunkSavedUnderOptoKeepsTheRangesItWasSavedIn)
{
    for (int before : {P::kModelVCA, P::kModelFET})
    {
        Plugin saved;
        saved.Set(P::kModelType, ModelKnob(before));
        saved.Set(P::kAttack, 0.4);
        saved.Set(P::kModelType, ModelKnob(P::kModelOpto));
        const double attack = saved.Value(P::kAttack), release = saved.Value(P::kRelease);
        IByteChunk chunk;
        SaveParams(saved, chunk);

        Plugin restored;
        restored.Set(P::kModelType,
                     ModelKnob(before == P::kModelVCA ? P::kModelFET : P::kModelVCA));
        restored.fx->UnserializeParams(chunk, 0);
        EXPECT_EQ(restored.Value(P::kModelType), 2.0);
        EXPECT_EQ(restored.Value(P::kAttack), attack) << before;
        EXPECT_EQ(restored.Value(P::kRelease), release) << before;
    }
}

TEST(ModelSwitch, HostSettingParametersInIndexOrderLandsInTheNewRanges)
{
    // A host restores by set-parameter, index by index, with knob positions.
    Plugin p;
    p.Set(P::kModelType, ModelKnob(P::kModelFET));
    p.Set(P::kAttack, 1.0);
    p.Set(P::kRelease, 1.0);
    EXPECT_EQ(p.Value(P::kAttack), 0.8);
    EXPECT_EQ(p.Value(P::kRelease), 1200.0);

    p.Set(P::kModelType, ModelKnob(P::kModelVCA));
    p.Set(P::kAttack, 0.0);
    EXPECT_EQ(p.Value(P::kAttack), 1.0);
    EXPECT_EQ(p.Value(P::kRelease), 4000.0);
}

TEST(ModelSwitch, ShortChunkStillFailsAsBefore)
{
    Plugin p;
    IByteChunk chunk;
    chunk.PutDouble(1.0);
    EXPECT_EQ(p.fx->UnserializeParams(chunk, 0), -1);
}
