#pragma once

// What several phases share: the processing matrix's lists, hostile texts,
// number formatting, the probe for texts written into host buffers and the
// bit-exact comparison of two renders.

#include "tools/validate/AudioBuffers.h"

#include <string>
#include <vector>

namespace validate
{

inline const std::vector<double> kRates = {8000,  11025, 13333, 22050,  44100,
                                           48000, 88200, 96000, 192000, 384000};
inline const std::vector<int> kBlockSizes = {0,    1,    2,    17,   64,   511,
                                             1024, 4096, 4097, 5461, 5462, 8192};
inline const std::vector<double> kQuickRates = {8000, 44100, 384000};
inline const std::vector<int> kQuickBlockSizes = {0, 1, 17, 4097, 5462};

// Texts a host's text entry might pass to effString2Parameter: numbers in and
// out of every range, non-numbers, display texts in and out of case, huge.
inline constexpr const char* kHostileTexts[] = {"0",
                                                "1",
                                                "-1",
                                                "0.5",
                                                "12.5",
                                                "-60",
                                                "30",
                                                "1e308",
                                                "-1e308",
                                                "1e-320",
                                                "nan",
                                                "NaN",
                                                "inf",
                                                "-inf",
                                                "INF",
                                                "",
                                                " ",
                                                "abc",
                                                "0x1p3",
                                                "+",
                                                "-",
                                                "VCA",
                                                "FET",
                                                "OPTO",
                                                "vca",
                                                "on",
                                                "off",
                                                "ON",
                                                "20",
                                                "500",
                                                "4000",
                                                "1200",
                                                "  7",
                                                "3 : 1",
                                                "-0",
                                                "99999999999999999999999999999999",
                                                "1.7976931348623157e308"};

// printf-style formatting of one number.
std::string Format(const char* format, double value);

// Looks at a text the plug-in wrote into a host buffer: terminated, not
// longer than the buffers hosts hand out, nothing written past the
// terminator's buffer.
class TextProbe
{
  public:
    TextProbe();
    char* Data() { return mBuffer; }
    // Length of the text, or -1 if there is no terminator in the buffer.
    long Length() const;

  private:
    static constexpr char kGuard = 0x5A;
    char mBuffer[1024];
};

// Hosts commonly pass 64-byte buffers for parameter texts (the interface
// itself promises only 8); a longer text overruns real hosts.
constexpr long kLongestSafeText = 63;

// Whether the first n frames of the first channels outputs of a and b are
// the same bit for bit; if not, where they first differ and the two values.
bool SameOutput(const AudioBuffers& a, const AudioBuffers& b, Precision precision, int n,
                int channels, long& frame, int& channel, double& va, double& vb);

} // namespace validate
