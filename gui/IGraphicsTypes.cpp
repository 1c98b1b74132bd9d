#include "gui/IGraphicsTypes.h"

#include <cstdio>
#include <cstring>

ITextStyle::ITextStyle(const char* font, int sizePx, const IArgb& c, int styleCode, int align,
                       int orient, int qual)
    : size(sizePx), colour(c), style(styleCode), alignment(align), orientation(orient),
      quality(qual)
{
    // A null name keeps the default face; a longer one is cut to the field.
    if (font)
    {
        std::strncpy(fontName, font, kFontNameSize - 1);
        fontName[kFontNameSize - 1] = '\0';
    }
}

std::string IMenu::ItemLabel(int i) const
{
    if (i < 0 || i >= static_cast<int>(items.size())) return std::string();
    const char* format = nullptr;
    switch (prefix)
    {
    case 1:
        format = "%1d: %s";
        break;
    case 2:
        format = "%02d: %s";
        break;
    case 3:
        format = "%03d: %s";
        break;
    default:
        return items[static_cast<size_t>(i)].text;
    }
    const std::string& text = items[static_cast<size_t>(i)].text;
    // The number takes at most 11 characters, the separator 2.
    std::string label(text.size() + 16, '\0');
    const int n = std::snprintf(&label[0], label.size(), format, i + 1, text.c_str());
    label.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return label;
}
