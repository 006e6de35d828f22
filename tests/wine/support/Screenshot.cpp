#include "support/Screenshot.h"

#include "common/FileHandle.h"
#include "support/Pixels.h"

#include <windows.h>

#include <vector>

bool SaveScreenshot(const std::string& strName)
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strDir = szPath;
    strDir.erase(strDir.find_last_of('\\'));          // bin
    strDir.erase(strDir.find_last_of('\\') + 1);      // the configuration
    strDir += "screenshots";
    CreateDirectoryA(strDir.c_str(), nullptr);

    HDC hScreen = GetDC(nullptr);
    int nWidth = GetDeviceCaps(hScreen, HORZRES);
    int nHeight = GetDeviceCaps(hScreen, VERTRES);
    ReleaseDC(nullptr, hScreen);
    std::vector<COLORREF> screen = ScreenPixels({0, 0, nWidth, nHeight});

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = nWidth;
    info.biHeight = nHeight;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    // Rows from the bottom, blue first, each padded to four bytes.
    int nStride = (nWidth * 3 + 3) & ~3;
    std::string strPixels(static_cast<size_t>(nStride) * nHeight, '\0');
    for (int y = 0; y < nHeight; ++y)
    {
        char* pRow = &strPixels[static_cast<size_t>(nHeight - 1 - y) * nStride];
        for (int x = 0; x < nWidth; ++x)
        {
            COLORREF crPixel = screen[static_cast<size_t>(y) * nWidth + x];
            pRow[3 * x] = static_cast<char>(GetBValue(crPixel));
            pRow[3 * x + 1] = static_cast<char>(GetGValue(crPixel));
            pRow[3 * x + 2] = static_cast<char>(GetRValue(crPixel));
        }
    }

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(strPixels.size());
    CFileHandle file;
    return file.Create(strDir + "\\" + strName + ".bmp") &&
           file.Write(std::string(reinterpret_cast<const char*>(&header), sizeof(header))) &&
           file.Write(std::string(reinterpret_cast<const char*>(&info), sizeof(info))) && file.Write(strPixels);
}
