// What a host sees in the effect record and the module's symbol table.

#include "LoadedPlugin.h"
#include "SharedLibrary.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using EffectRecord = LoadedPlugin;

TEST_F(EffectRecord, FieldsAreThoseHostsReadBeforeAnyEditor)
{
    const AEffect* e = Effect();
    EXPECT_EQ(e->magic, 0x56737450); // 'VstP'
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 11);
    EXPECT_EQ(e->numInputs, 4);
    EXPECT_EQ(e->numOutputs, 2);
    // Replacing (16), double replacing (4096) and mono-capable (8); the editor
    // bit (1) comes with an attached editor and nothing else may be set.
    EXPECT_EQ(e->flags & ~effFlagsHasEditor, 4120);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, 0x426B4B76); // 'BkKv'
    EXPECT_EQ(e->version, 10205);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    const char zeros[sizeof(e->future)] = {};
    EXPECT_EQ(std::memcmp(e->future, zeros, sizeof(zeros)), 0);
}

TEST_F(EffectRecord, EditorRectangleIsAnsweredOnlyWithAnEditor)
{
    ERect* rect = nullptr;
    const VstIntPtr answer = Dispatch(effEditGetRect, 0, 0, &rect);
    if (Effect()->flags & effFlagsHasEditor)
    {
        ASSERT_EQ(answer, 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->top, 0);
        EXPECT_EQ(rect->left, 0);
        EXPECT_EQ(rect->right, 552);
        EXPECT_EQ(rect->bottom, 200);
    }
    else
    {
        EXPECT_EQ(answer, 0);
        EXPECT_EQ(rect, nullptr);
        EXPECT_EQ(Dispatch(effEditOpen), 0);
        EXPECT_EQ(Dispatch(effEditClose), 0);
    }
    EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(EffectRecord, ThePanelIsAnnouncedWithItsSize)
{
    // The plug-in builds its 552 x 200 panel in the constructor: hosts see
    // the editor flag (4120 + 1) and the panel's rectangle.
    EXPECT_EQ(Effect()->flags, 4121);
    ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 552);
    EXPECT_EQ(rect->bottom - rect->top, 200);
}

TEST_F(EffectRecord, IdentityAnswersMatchTheRecord)
{
    EXPECT_EQ(plug->EffectName(), "BraskoKorvala");
    EXPECT_EQ(plug->VendorString(), "Brasko");
    EXPECT_EQ(plug->ProductString(), "");
    EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetVendorString, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetProductString, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(Dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(Dispatch(effIdentify), 0x4E764566); // 'NvEf'
}

TEST_F(EffectRecord, EachEntryCallMakesAnIndependentInstance)
{
    auto second = Load();
    ASSERT_TRUE(second->IsOpen());
    EXPECT_NE(second->Effect(), Effect());
    EXPECT_NE(second->Effect()->object, Effect()->object);
    // A change on one instance leaves the other alone.
    plug->SetParameter(kThreshold, 0.25f);
    EXPECT_FLOAT_EQ(plug->GetParameter(kThreshold), 0.25f);
    EXPECT_FLOAT_EQ(second->GetParameter(kThreshold), 1.0f);
}

TEST(EntryPoints, InstancesCanBeCreatedFromSeveralThreadsAtOnce)
{
    // Each thread loads, opens, drives and closes its own instances; the
    // entry point's mutex serialises the constructions.
    auto work = []
    {
        for (int round = 0; round < 5; ++round)
        {
            PluginInstance p;
            ASSERT_TRUE(p.Open(KORVALA_PLUGIN_PATH)) << p.Error();
            p.Start(44100.0, 64);
            p.SetParameter(kThreshold, 0.5f);
            EXPECT_FLOAT_EQ(p.GetParameter(kThreshold), 0.5f);
            HostBuffers<float> in(4, 64), out(2, 64);
            p.ProcessReplacing(in.Ptrs(), out.Ptrs(), 64);
            p.Close();
        }
    };
    // The module stays loaded throughout, as a host keeps it. Otherwise one
    // thread's close can unload it while another loads it again, and the
    // thread sanitizer, which cannot see the loader's lock, reports the
    // reload's static constructors against the unload's destructors.
    SharedLibrary resident;
    ASSERT_TRUE(resident.Open(KORVALA_PLUGIN_PATH)) << resident.Error();
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
}

TEST(EntryPoints, MainAndVSTPluginMainBothAnswerARecordWithoutAskingTheHost)
{
    SharedLibrary library;
    ASSERT_TRUE(library.Open(KORVALA_PLUGIN_PATH)) << library.Error();
    for (const char* name : {"VSTPluginMain", "main"})
    {
        auto entry = reinterpret_cast<VstPluginMainProc>(library.Symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        // A host callback that fails the test if the entry point calls it.
        static int calls;
        calls = 0;
        auto host = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr
        {
            ++calls;
            return 0;
        };
        AEffect* effect = entry(host);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->magic, kEffectMagic);
        EXPECT_EQ(calls, 0) << name;
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    library.Close();
}

TEST(EntryPoints, ModuleExportsOnlyTheTwoEntryPoints)
{
#if defined(_WIN32)
    GTEST_SKIP() << "the Windows module's exports come from its .def file";
#else
    const std::string command =
        std::string("nm -D --defined-only '") + KORVALA_PLUGIN_PATH + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe))
    {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) exported.insert(name);
    }
    const int status = pclose(pipe);
    if (status != 0 && exported.empty()) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(exported, (std::set<std::string>{"VSTPluginMain", "main"}));
#endif
}
