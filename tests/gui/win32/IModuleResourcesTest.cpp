#include "gui/win32/IModuleResources.h"
#include "raster/IPngImage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

// This program links the panel's resource script and a script of its own
// (TestResources.rc), so the lookups run against a real PE resource section
// as they do in the plug-in DLL.

namespace
{

struct PanelImage
{
    int id;
    int width;
    int height;
};

const PanelImage kPanel[] = {{100, 552, 200}, {101, 56, 3584}, {102, 46, 126}, {103, 32, 22},
                             {104, 61, 22},   {105, 12, 14},   {106, 64, 22}};

} // namespace

TEST(ModuleResources, ThisModuleIsTheProgramThatLinksTheCode)
{
    EXPECT_EQ(IModuleResources::ThisModule(), static_cast<void*>(GetModuleHandleA(nullptr)));
}

TEST(ModuleResources, EveryPanelImageIsFoundByIdAndDecodesToItsSize)
{
    void* module = IModuleResources::ThisModule();
    for (const PanelImage& expected : kPanel)
    {
        IPngImage image;
        ASSERT_TRUE(IModuleResources::LoadPng(module, expected.id, image)) << expected.id;
        EXPECT_EQ(image.Width(), expected.width) << expected.id;
        EXPECT_EQ(image.Height(), expected.height) << expected.id;
    }
}

TEST(ModuleResources, PanelImagesAreStoredInUsEnglish)
{
    HMODULE module = static_cast<HMODULE>(IModuleResources::ThisModule());
    for (const PanelImage& expected : kPanel)
        EXPECT_NE(FindResourceExA(module, "PNG", MAKEINTRESOURCEA(expected.id), 1033), nullptr)
            << expected.id;
}

TEST(ModuleResources, FoundBytesAreTheStoredFile)
{
    const void* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(IModuleResources::Find(IModuleResources::ThisModule(), 200, "PNG", &data, &size));
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(std::memcmp(data, "tiny", 4), 0);
}

TEST(ModuleResources, MissingOrUnusableResourcesGiveNoImage)
{
    void* module = IModuleResources::ThisModule();
    IPngImage image;
    ASSERT_TRUE(IModuleResources::LoadPng(module, 105, image));
    // Missing id; ids beyond the 16-bit range; no module.
    EXPECT_FALSE(IModuleResources::LoadPng(module, 107, image));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_FALSE(IModuleResources::LoadPng(module, 0x10000 + 100, image));
    EXPECT_FALSE(IModuleResources::LoadPng(module, 0, image));
    EXPECT_FALSE(IModuleResources::LoadPng(nullptr, 100, image));
    // Shorter than a signature; present but not a PNG.
    EXPECT_FALSE(IModuleResources::LoadPng(module, 200, image));
    EXPECT_FALSE(IModuleResources::LoadPng(module, 201, image));
    // A PNG under another resource type is not found as "PNG".
    EXPECT_FALSE(IModuleResources::LoadPng(module, 202, image));
    const void* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(IModuleResources::Find(module, 202, MAKEINTRESOURCEA(10), &data, &size));
    EXPECT_TRUE(IPngImage::HasSignature(data, size));
    EXPECT_FALSE(IModuleResources::Find(module, 100, "BMP", &data, &size));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
}

#ifdef KORVALA_PLUGIN_PATH
TEST(ModuleResources, PluginModuleCarriesEveryPanelImage)
{
    // Mapped as data only: no entry point runs, the resources are readable.
    HMODULE module = LoadLibraryExA(KORVALA_PLUGIN_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << KORVALA_PLUGIN_PATH;
    for (const PanelImage& expected : kPanel)
    {
        IPngImage image;
        EXPECT_TRUE(IModuleResources::LoadPng(module, expected.id, image)) << expected.id;
        EXPECT_EQ(image.Width(), expected.width) << expected.id;
        EXPECT_EQ(image.Height(), expected.height) << expected.id;
    }
    // Only the seven images: the test script's resources are not in it.
    IPngImage image;
    EXPECT_FALSE(IModuleResources::LoadPng(module, 200, image));
    FreeLibrary(module);
}
#endif
