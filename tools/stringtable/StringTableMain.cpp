// qm_stringtable FILE: writes the knowledge base's string table as a
// resource script to FILE. Nothing is left behind when it fails, so a build
// never goes on with an old or half-written table.
#include "StringTableScript.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s FILE\n", argc > 0 ? argv[0] : "qm_stringtable");
        return 2;
    }
    const std::string strPath = argv[1];
    std::remove(strPath.c_str());
    std::string strScript, strError;
    if (!StringTableScript::Write(&strScript, &strError))
    {
        std::fprintf(stderr, "qm_stringtable: %s\n", strError.c_str());
        return 1;
    }
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file << strScript;
    file.close();
    if (!file)
    {
        std::fprintf(stderr, "qm_stringtable: cannot write %s\n", strPath.c_str());
        std::remove(strPath.c_str());
        return 1;
    }
    return 0;
}
