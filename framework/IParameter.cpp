#include "framework/IParameter.h"

#include "framework/TextCopy.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

IParameter::IParameter() : mDisplayTexts(4096) {}

void IParameter::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                            double step, const char* label)
{
    if (mType == kTypeNone) mType = kTypeDouble;
    CopyBoundedText(mName, kTextSize, name);
    CopyBoundedText(mLabel, kTextSize, label);
    mMin = minVal;
    mValue = defaultVal;
    mDefault = defaultVal;
    mMax = (maxVal < minVal + step) ? minVal + step : maxVal;
    mStep = step;

    // Decimals needed to show multiples of step: count decimal shifts until
    // the step is integral, at most six (a step like 1/3 never becomes one).
    mDisplayPrecision = 0;
    double s = step;
    while (mDisplayPrecision < 6 && s != std::floor(s))
    {
        ++mDisplayPrecision;
        s *= 10.0;
    }
}

void IParameter::InitBool(const char* name, bool defaultVal)
{
    if (mType == kTypeNone) mType = kTypeBool;
    InitDouble(name, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, "");
    SetDisplayText(0.0, "off");
    SetDisplayText(1.0, "on");
}

void IParameter::InitEnum(const char* name, int defaultVal, int count)
{
    if (mType == kTypeNone) mType = kTypeEnum;
    InitDouble(name, defaultVal, 0.0, static_cast<double>(count) - 1.0, 1.0, "");
}

bool IParameter::SetDisplayText(double value, const char* text)
{
    const int n = NDisplayTexts();
    const int wanted = (n + 1) * static_cast<int>(sizeof(IDisplayText));
    mDisplayTexts.Resize(wanted, false);
    if (mDisplayTexts.GetSize() != wanted) return false;
    IDisplayText& entry = mDisplayTexts.GetAs<IDisplayText>()[n];
    entry.mValue = value;
    CopyBoundedText(entry.mText, kTextSize, text);
    return true;
}

void IParameter::SetShape(double shape)
{
    if (shape != 0.0 && !std::isnan(shape)) mShape = shape;
}

double IParameter::Clamp(double v) const
{
    if (!(v >= mMin)) // also catches NaN
        return mMin;
    if (v > mMax) return mMax;
    return v;
}

void IParameter::SetNormalized(double x)
{
    // A NaN from a host or control would otherwise become the value and
    // poison every recursion in the DSP that reads it.
    if (std::isnan(x)) return;
    double v = std::pow(x, mShape) * (mMax - mMin) + mMin;
    if (mType != kTypeDouble)
        v = std::floor(v / mStep + 0.5) * mStep; // multiples of step counted from 0
    if (v >= mMax) v = mMax;
    mValue = v;
}

double IParameter::ToNormalized(double v) const
{
    return std::pow((Clamp(v) - mMin) / (mMax - mMin), 1.0 / mShape);
}

// 0.1151292546497 is ln(10) / 20 to thirteen digits; the DSP is defined with
// exactly this constant.
double IParameter::DBToAmp() const
{
    return std::exp(mValue * 0.1151292546497);
}

const char* IParameter::GetLabelForHost() const
{
    const char* text = GetDisplayText(mValue);
    return text[0] != '\0' ? "" : mLabel;
}

int IParameter::NDisplayTexts() const
{
    return mDisplayTexts.GetSize() / static_cast<int>(sizeof(IDisplayText));
}

const IParameter::IDisplayText* IParameter::GetDisplayTextEntry(int index) const
{
    if (index < 0 || index >= NDisplayTexts()) return nullptr;
    return mDisplayTexts.GetAs<IDisplayText>() + index;
}

const char* IParameter::GetDisplayText(double v) const
{
    const int n = NDisplayTexts();
    const IDisplayText* entries = mDisplayTexts.GetAs<IDisplayText>();
    for (int i = 0; i < n; ++i)
        if (std::fabs(entries[i].mValue - v) < 1e-6) return entries[i].mText;
    return "";
}

bool IParameter::MapDisplayText(const char* text, double* value) const
{
    if (!text) return false;
    const int n = NDisplayTexts();
    const IDisplayText* entries = mDisplayTexts.GetAs<IDisplayText>();
    for (int i = 0; i < n; ++i)
    {
        if (std::strcmp(entries[i].mText, text) == 0)
        {
            if (value) *value = std::trunc(entries[i].mValue);
            return true;
        }
    }
    return false;
}

void IParameter::GetDisplayForHost(double v, bool normalized, char* out, bool withDisplayText,
                                   int outSize) const
{
    if (!out || outSize <= 0) return;
    if (normalized) v = std::pow(v, mShape) * (mMax - mMin) + mMin;
    // Truncation toward zero is done in double so that values outside the
    // int range (a host may send anything) do not overflow a conversion.
    if (withDisplayText)
    {
        const char* text = GetDisplayText(std::trunc(v));
        if (text[0] != '\0')
        {
            CopyBoundedText(out, outSize, text);
            return;
        }
    }
    if (mNegateDisplay) v = -v;
    if (mDisplayPrecision == 0)
    {
        const double t = std::trunc(v);
        if (t >= INT_MIN && t <= INT_MAX)
            std::snprintf(out, static_cast<size_t>(outSize), "%d", static_cast<int>(t));
        else
            std::snprintf(out, static_cast<size_t>(outSize), "%.0f", t);
    }
    else
    {
        char format[16];
        std::snprintf(format, sizeof(format), "%%.%df", mDisplayPrecision);
        std::snprintf(out, static_cast<size_t>(outSize), format, v);
    }
}
