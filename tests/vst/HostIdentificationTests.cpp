// The plug-in asks the host who it is once, at effOpen, and limits itself to
// stereo for the hosts that offer nothing else.

#include "LoadedPlugin.h"

using HostIdentification = LoadedPlugin;

TEST_F(HostIdentification, ProductAndVersionAreAskedOnceAtOpen)
{
    auto p = Load("Cubase VST", 60500);
    EXPECT_EQ(p->RequestCount(audioMasterGetProductString), 1);
    EXPECT_EQ(p->RequestCount(audioMasterGetVendorVersion), 1);
    p->Dispatch(effOpen);
    p->Start(44100.0, 256);
    HostBuffers<float> in(4, 256), out(2, 256);
    p->ProcessReplacing(in.Ptrs(), out.Ptrs(), 256);
    EXPECT_EQ(p->RequestCount(audioMasterGetProductString), 1);
    EXPECT_EQ(p->RequestCount(audioMasterGetVendorVersion), 1);
    // Nothing the plug-in has no use for is asked.
    EXPECT_EQ(p->RequestCount(audioMasterVersion), 0);
    EXPECT_EQ(p->RequestCount(audioMasterIOChanged), 0);
    EXPECT_EQ(p->RequestCount(audioMasterSizeWindow), 0);
    EXPECT_EQ(p->RequestCount(audioMasterWantMidi), 0);
}

TEST_F(HostIdentification, AHostWithoutAProductTextIsNotAskedForItsVersion)
{
    auto p = Load("", 60500);
    EXPECT_EQ(p->RequestCount(audioMasterGetProductString), 1);
    EXPECT_EQ(p->RequestCount(audioMasterGetVendorVersion), 0);
    p->Dispatch(effOpen);
    EXPECT_EQ(p->RequestCount(audioMasterGetProductString), 1);
}

TEST_F(HostIdentification, StereoOnlyHostsNeverHaveTheirSidechainPointersRead)
{
    // Whatever the case of the product text, these four hosts get inputs 3
    // and 4 disconnected: null pointers there would crash if they were read.
    for (const char* product : {"Forte 4", "Adobe AUDITION CS6", "Orion Platinum", "SAWStudio64"})
    {
        SCOPED_TRACE(product);
        auto p = Load(product);
        ASSERT_TRUE(p->IsOpen());
        p->Start(48000.0, 128);
        EXPECT_EQ(p->Effect()->numInputs, 4);
        EXPECT_EQ(p->Effect()->numOutputs, 2);
        HostBuffers<float> in(2, 128);
        in.FillTestSignal();
        float* inPtrs[4] = {in.ptrs[0], in.ptrs[1], nullptr, nullptr};
        HostBuffers<float> out(2, 128);
        p->ProcessReplacing(inPtrs, out.Ptrs(), 128);
        HostBuffers<double> inD(2, 128);
        double* inPtrsD[4] = {inD.ptrs[0], inD.ptrs[1], nullptr, nullptr};
        HostBuffers<double> outD(2, 128);
        p->ProcessDoubleReplacing(inPtrsD, outD.Ptrs(), 128);
    }
}
