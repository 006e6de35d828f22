// qm_iconmaker OUTPUT_DIR: draws every icon of the program and writes
// iconNNN.ico into OUTPUT_DIR (normally src/res/icons). The output depends on
// nothing but this code, so rerunning it leaves the committed files unchanged.
#include "IconArt.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argc > 0 ? argv[0] : "qm_iconmaker");
        return 2;
    }
    const std::string strDirectory = argv[1];
    for (int nId : IconArt::ResourceIds())
    {
        const std::string strPath = strDirectory + "/" + IconArt::FileName(nId);
        const std::vector<std::uint8_t> bytes = IconArt::BuildFile(nId);
        std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
        {
            std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
            return 1;
        }
    }
    return 0;
}
