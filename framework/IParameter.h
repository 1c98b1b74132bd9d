#pragma once

#include "framework/IHeapBuffer.h"

// One automatable setting. It holds its plain value (in the unit the DSP
// uses); host and editor see a normalised 0..1 value mapped onto [min, max]
// through the power law x^shape. It also produces the texts the host shows.
//
// Not locked itself: callers hold the plug-in lock (IEffectBase) while they
// change a parameter that the audio thread may read.
class IParameter
{
  public:
    enum EParamType
    {
        kTypeNone = 0,
        kTypeBool = 1,
        kTypeEnum = 3,
        kTypeDouble = 4
    };

    // Capacity of the fixed text fields, including the terminator: names,
    // labels and display texts hold at most 31 characters.
    static constexpr int kTextSize = 32;

    // Value-to-text table entry.
    struct IDisplayText
    {
        double mValue;
        char mText[kTextSize];
    };

    IParameter();

    // Type becomes continuous only if still uninitialised. max is raised to at
    // least min + step; the value is not clamped into the range.
    void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                    const char* label = "");
    // Range 0..1 step 1 with the display texts "off" and "on".
    void InitBool(const char* name, bool defaultVal);
    // Range 0..count-1 step 1; display texts come from SetDisplayText.
    void InitEnum(const char* name, int defaultVal, int count);

    // Appends an entry; answers false when memory is exhausted.
    bool SetDisplayText(double value, const char* text);
    // A zero or NaN shape leaves the shape unchanged.
    void SetShape(double shape);
    void SetDisplayNegated(bool negated) { mNegateDisplay = negated; }

    double Value() const { return mValue; }
    // Stores v as it is (no clamp, no rounding).
    void SetValue(double v) { mValue = v; }
    // Stores v clamped into [min, max]; NaN becomes min.
    void SetValueClamped(double v) { mValue = Clamp(v); }
    double Clamp(double v) const;

    // value := x^shape * (max - min) + min, rounded half up onto multiples of
    // step (counted from 0) unless continuous, then limited to max (not min).
    void SetNormalized(double x);
    // ((clamp(v) - min) / (max - min))^(1 / shape).
    double GetNormalized() const { return ToNormalized(mValue); }
    double ToNormalized(double v) const;
    // The value read as decibels, as a linear factor.
    double DBToAmp() const;

    const char* GetNameForHost() const { return mName; }
    // Empty when a non-empty display text exists for the current value.
    const char* GetLabelForHost() const;
    // Writes the display text of v (normalised or plain) into out, at most
    // outSize bytes including the terminator (outSize <= 0 writes nothing).
    void GetDisplayForHost(double v, bool normalized, char* out, bool withDisplayText = true,
                           int outSize = kTextSize) const;
    // Text of the first entry within 1e-6 of v; the empty text if none.
    const char* GetDisplayText(double v) const;
    // Exact, case-sensitive text match; stores the entry's value truncated to
    // an int.
    bool MapDisplayText(const char* text, double* value) const;
    int NDisplayTexts() const;
    const IDisplayText* GetDisplayTextEntry(int index) const;

    int Type() const { return mType; }
    double GetMin() const { return mMin; }
    double GetMax() const { return mMax; }
    double GetStep() const { return mStep; }
    double GetShape() const { return mShape; }
    double GetDefault() const { return mDefault; }
    int GetDisplayPrecision() const { return mDisplayPrecision; }
    bool IsDisplayNegated() const { return mNegateDisplay; }

  private:
    int mType = kTypeNone;
    double mValue = 0.0;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mShape = 1.0;
    double mDefault = 0.0;
    int mDisplayPrecision = 0;
    char mName[kTextSize] = {};
    char mLabel[kTextSize] = {};
    bool mNegateDisplay = false;
    IHeapBuffer mDisplayTexts; // of IDisplayText, appended in call order
};
