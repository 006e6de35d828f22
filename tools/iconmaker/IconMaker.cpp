// qm_iconmaker ICON_DIR [BITMAP_DIR]: draws every icon of the program into
// ICON_DIR as iconNNN.ico (normally src/res/icons) and, when BITMAP_DIR is
// given, every skin bitmap into it as bmpNNN.bmp (normally src/res/bitmaps).
// The output depends on nothing but this code, so rerunning it leaves the
// committed files unchanged.
#include "IconArt.h"
#include "SkinArt.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace
{
bool WriteFile(const std::string& strPath, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
    {
        std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
    {
        std::fprintf(stderr, "usage: %s ICON_DIR [BITMAP_DIR]\n", argc > 0 ? argv[0] : "qm_iconmaker");
        return 2;
    }
    const std::string strIconDirectory = argv[1];
    for (int nId : IconArt::ResourceIds())
        if (!WriteFile(strIconDirectory + "/" + IconArt::FileName(nId), IconArt::BuildFile(nId)))
            return 1;
    if (argc == 3)
    {
        const std::string strBitmapDirectory = argv[2];
        for (int nId : SkinArt::ResourceIds())
            if (!WriteFile(strBitmapDirectory + "/" + SkinArt::FileName(nId), SkinArt::BuildFile(nId)))
                return 1;
    }
    return 0;
}
