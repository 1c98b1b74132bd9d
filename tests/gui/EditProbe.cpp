#include "CanvasTestSupport.h"

namespace canvas_test
{

namespace
{
VstIntPtr VSTCALLBACK RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                    float opt)
{
    HostRequests().push_back({opcode, index, opt});
    return 0;
}
} // namespace

std::vector<HostRequest>& HostRequests()
{
    static std::vector<HostRequest> requests;
    return requests;
}

EditProbe::EditProbe()
    : IEffectVST(RecordingHost, 3, "2-2", 1, "EditProbe", "EditProbe", "Maker", 0x00010000,
                 MakeFourCC('E', 'd', 'P', 'r'), MakeFourCC('M', 'k', 'r', '1'), 0, false, false,
                 false)
{
    GetParam(0)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    GetParam(1)->InitEnum("Mode", 1, 3);
    GetParam(1)->SetDisplayText(0, "VCA");
    GetParam(1)->SetDisplayText(1, "FET");
    GetParam(1)->SetDisplayText(2, "Opto");
    GetParam(2)->InitBool("Bypass", false);
}
} // namespace canvas_test
