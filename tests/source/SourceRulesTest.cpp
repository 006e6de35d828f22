// Rules the program's sources keep that no compiler checks: every message
// handler a window declares is bound in its message map (or overrides one
// of the dialog's own), no class is an empty wrapper of another, and the
// service layer reaches up to no room built on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<fs::path> SourceFiles(const std::string& strExtension)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(QM_SOURCE_DIR) / "src"))
    {
        if (entry.is_regular_file() && entry.path().extension() == strExtension)
            files.push_back(entry.path());
    }
    return files;
}

// The On... members a header declares, but for overrides of virtual ones.
std::set<std::string> DeclaredHandlers(const std::string& strHeader)
{
    std::set<std::string> handlers;
    const std::regex declaration(R"(\b(On[A-Z]\w*)\s*\([^;{]*\)[^;{]*;)");
    for (auto it = std::sregex_iterator(strHeader.begin(), strHeader.end(), declaration);
         it != std::sregex_iterator(); ++it)
    {
        if ((*it)[0].str().find("override") == std::string::npos)
            handlers.insert((*it)[1].str());
    }
    return handlers;
}

// The members a message map binds: the last argument of each QM_ON_... row.
std::set<std::string> BoundHandlers(const std::string& strSource)
{
    std::set<std::string> bound;
    const std::regex row(R"(QM_ON_\w+\([^)]*,\s*(\w+)\))");
    for (auto it = std::sregex_iterator(strSource.begin(), strSource.end(), row); it != std::sregex_iterator(); ++it)
        bound.insert((*it)[1].str());
    return bound;
}

TEST(SourceRulesTest, TheRulesFindWhatTheyLookFor)
{
    EXPECT_EQ((std::set<std::string>{"OnAboutButton", "OnNotYetAvailable", "OnTimer"}),
              DeclaredHandlers("    void OnAboutButton();\n    BOOL OnInitDialog() override;\n"
                               "    INT_PTR OnTimer(WPARAM wParam,\n                    LPARAM lParam);\n"
                               "    void OnNotYetAvailable(UINT nId);\n    // OnAboutMenu opens it\n"));
    EXPECT_EQ((std::set<std::string>{"OnAboutButton", "OnTimer"}),
              BoundHandlers("QM_ON_COMMAND(IDC_BTN_ABOUT, CMainDlg, OnAboutButton),\n"
                            "        QM_ON_MESSAGE(WM_TIMER, CMainDlg, OnTimer),\n"));
}

TEST(SourceRulesTest, EveryHandlerIsBoundInItsWindowsMessageMap)
{
    int nWindows = 0;
    for (const fs::path& header : SourceFiles(".h"))
    {
        fs::path source = header;
        source.replace_extension(".cpp");
        if (!fs::exists(source))
            continue;
        const std::string strSource = ReadText(source);
        const std::set<std::string> bound = BoundHandlers(strSource);
        if (bound.empty())
            continue;
        ++nWindows;
        SCOPED_TRACE(header.filename().string());
        for (const std::string& strHandler : DeclaredHandlers(ReadText(header)))
            EXPECT_EQ(1u, bound.count(strHandler)) << strHandler << " is bound to nothing";
    }
    EXPECT_GE(nWindows, 5) << "the message maps were not found";
}

TEST(SourceRulesTest, NoClassIsAnEmptyWrapper)
{
    const std::regex empty(R"(\b(class|struct)\s+(\w+)\s*(:[^{;]*)?\{\s*\}\s*;)");
    int nHeaders = 0;
    for (const fs::path& header : SourceFiles(".h"))
    {
        ++nHeaders;
        const std::string strHeader = ReadText(header);
        std::smatch match;
        EXPECT_FALSE(std::regex_search(strHeader, match, empty))
            << header.filename().string() << ": " << match[0].str();
    }
    EXPECT_GT(nHeaders, 50);
    EXPECT_TRUE(std::regex_search(std::string("class CButton : public CWnd\n{\n};\n"), empty));
}
// Services know nothing of changes, files, the knowledge base or windows.
TEST(SourceRulesTest, TheServiceLayerIncludesNothingBuiltOnIt)
{
    const std::regex upward(R"(#include\s+"(app|changes|config|knowledge|startup)/)");
    int nFiles = 0;
    for (const char* pszExtension : {".h", ".cpp"})
    {
        for (const fs::path& file : SourceFiles(pszExtension))
        {
            if (file.parent_path().filename() != "services")
                continue;
            ++nFiles;
            std::smatch match;
            const std::string strText = ReadText(file);
            EXPECT_FALSE(std::regex_search(strText, match, upward)) << file.filename().string() << ": " << match[0].str();
        }
    }
    EXPECT_GT(nFiles, 20);
}
} // namespace
