#include <gtest/gtest.h>

#include <windows.h>

#include <QByteArray>
#include <QString>

#include <memory>

namespace {

// The program lies beside this test in the build's bin folder.
std::wstring programPath()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"lumetta.exe";
}

struct Module
{
    HMODULE handle = LoadLibraryExW(programPath().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ~Module()
    {
        if (handle)
            FreeLibrary(handle);
    }
};

QByteArray resourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr)
        return {};
    const void *data = LockResource(LoadResource(module, found));
    return QByteArray(static_cast<const char *>(data), int(SizeofResource(module, found)));
}

QString versionString(const std::wstring &path, const wchar_t *field)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    auto block = std::make_unique<char[]>(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.get()))
        return {};
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904E4\\") + field;
    wchar_t *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.get(), query.c_str(), reinterpret_cast<void **>(&value), &length))
        return {};
    return QString::fromWCharArray(value, int(length)).remove(QChar(0));
}

} // namespace

TEST(ProgramResources, VersionInformationInUsEnglish)
{
    EXPECT_EQ(versionString(programPath(), L"FileVersion"), QStringLiteral("1.1.0.15"));
    EXPECT_EQ(versionString(programPath(), L"ProductVersion"), QStringLiteral("1.0.0.0"));
}

TEST(ProgramResources, ManifestAndIconAreEmbedded)
{
    const Module program;
    ASSERT_NE(program.handle, nullptr);
    const QByteArray manifest = resourceBytes(program.handle, MAKEINTRESOURCEW(24), // manifest
                                              MAKEINTRESOURCEW(1));
    EXPECT_TRUE(manifest.contains("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_TRUE(manifest.contains("level=\"asInvoker\""));
    EXPECT_TRUE(manifest.contains("PerMonitorV2"));
    EXPECT_FALSE(resourceBytes(program.handle, RT_GROUP_ICON, L"IDI_ICON1").isEmpty());
}
