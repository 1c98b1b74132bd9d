#include "tools/validate/phases/PhaseSupport.h"

#include <cstring>
#include <string>

namespace validate
{

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

TextProbe::TextProbe()
{
    std::memset(mBuffer, kGuard, sizeof mBuffer);
    mBuffer[0] = '\0';
}

long TextProbe::Length() const
{
    const void* end = std::memchr(mBuffer, '\0', sizeof mBuffer);
    return end == nullptr ? -1 : static_cast<const char*>(end) - mBuffer;
}

bool SameOutput(const AudioBuffers& a, const AudioBuffers& b, Precision precision, int n,
                int channels, long& frame, int& channel, double& va, double& vb)
{
    for (int c = 0; c < channels; ++c)
    {
        for (int i = 0; i < n; ++i)
        {
            const double x = a.Output(precision, c, i), y = b.Output(precision, c, i);
            if (std::memcmp(&x, &y, sizeof x) != 0)
            {
                frame = i;
                channel = c;
                va = x;
                vb = y;
                return false;
            }
        }
    }
    return true;
}

} // namespace validate
