#include "support/Screenshot.h"

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
    HDC hMemory = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateCompatibleBitmap(hScreen, nWidth, nHeight);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    BitBlt(hMemory, 0, 0, nWidth, nHeight, hScreen, 0, 0, SRCCOPY);
    SelectObject(hMemory, hOld);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = nWidth;
    info.biHeight = nHeight;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    int nStride = (nWidth * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(nStride) * nHeight);
    GetDIBits(hMemory, hBitmap, 0, nHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string strPath = strDir + "\\" + strName + ".bmp";
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    bool bOk = WriteFile(hFile, &header, sizeof(header), &dwWritten, nullptr) &&
               WriteFile(hFile, &info, sizeof(info), &dwWritten, nullptr) &&
               WriteFile(hFile, pixels.data(), static_cast<DWORD>(pixels.size()), &dwWritten, nullptr);
    CloseHandle(hFile);
    return bOk;
}
