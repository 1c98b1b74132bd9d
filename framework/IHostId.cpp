#include "framework/IHostId.h"

#include <cstring>

namespace
{
struct HostWord
{
    const char* mWord;
    HostId mId;
};

// Searched in this order; the first word found decides, so words that occur
// inside other products' names ("cubase" in a Nuendo text, "live" in many
// names) are placed where the established classification needs them.
constexpr HostWord kHostWords[] = {
    {"standalone", HostStandalone}, {"cubase", HostCubase},
    {"reaper", HostReaper},         {"nuendo", HostNuendo},
    {"cakewalk", HostCakewalk},     {"samplitude", HostSamplitude},
    {"fruity", HostFruity},         {"live", HostLive},
    {"melodyne", HostMelodyne},     {"vstmanlib", HostVstManLib},
    {"aulab", HostAuLab},           {"forte", HostForte},
    {"chainer", HostChainer},       {"audition", HostAudition},
    {"orion", HostOrion},           {"sawstudio", HostSawStudio},
    {"logic", HostLogic},           {"digital", HostDigital},
    {"audiomulch", HostAudioMulch}, {"presonus vst2 host", HostPresonus},
};
} // namespace

HostId LookUpHostId(const char* productText)
{
    if (!productText) return HostUnknown;
    // Only A..Z are folded: the words are ASCII and the host's text may be in
    // any 8-bit encoding, whose other bytes must stay as they are.
    char lower[256];
    int n = 0;
    for (; n < 255 && productText[n] != '\0'; ++n)
    {
        const char c = productText[n];
        lower[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    lower[n] = '\0';
    for (const HostWord& w : kHostWords)
        if (std::strstr(lower, w.mWord)) return w.mId;
    return HostUnknown;
}
