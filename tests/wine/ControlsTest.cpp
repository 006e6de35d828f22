// Our control wrappers on real list and tree views: long GBK texts come back
// whole, as Wine's controls answer and as Windows' answer.
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
const char* const kOriginalProc = "QmOriginalProc";

// Windows copies an item's text into a narrow buffer the way
// WideCharToMultiByte does: at most the buffer less its terminator, never
// half a double-byte character, always terminated. A text cut before a
// double-byte character therefore ends two bytes short of the buffer.
// (Wine's controls instead fill the buffer to the last byte, unterminated.)
int CopyAsWindowsDoes(const std::string& strText, char* pszBuffer, int nBufferSize)
{
    if (nBufferSize <= 0)
        return 0;
    std::size_t nCopied = 0;
    while (nCopied < strText.size())
    {
        std::size_t nStep = IsDBCSLeadByteEx(936, static_cast<BYTE>(strText[nCopied])) ? 2 : 1;
        if (nCopied + nStep > static_cast<std::size_t>(nBufferSize - 1))
            break;
        nCopied += nStep;
    }
    std::memcpy(pszBuffer, strText.data(), nCopied);
    pszBuffer[nCopied] = '\0';
    return static_cast<int>(nCopied);
}

// Asks the control itself with room for anything, then answers the caller
// as Windows would: LVM_GETITEMTEXT with the length copied, TVM_GETITEM
// with the control's own result.
template <class Item>
LRESULT AskWhole(WNDPROC pfnOriginal, HWND hWnd, UINT uMsg, WPARAM wParam, Item* pItem)
{
    std::string strWhole(1 << 16, '\0');
    Item whole = *pItem;
    whole.pszText = &strWhole[0];
    whole.cchTextMax = static_cast<int>(strWhole.size());
    LRESULT lResult = CallWindowProcA(pfnOriginal, hWnd, uMsg, wParam, reinterpret_cast<LPARAM>(&whole));
    strWhole.resize(std::strlen(strWhole.c_str()));
    int nCopied = CopyAsWindowsDoes(strWhole, pItem->pszText, pItem->cchTextMax);
    return uMsg == LVM_GETITEMTEXTA ? nCopied : lResult;
}

LRESULT CALLBACK AnswerAsWindows(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto pfnOriginal = reinterpret_cast<WNDPROC>(GetPropA(hWnd, kOriginalProc));
    if (uMsg == LVM_GETITEMTEXTA)
        return AskWhole(pfnOriginal, hWnd, uMsg, wParam, reinterpret_cast<LVITEMA*>(lParam));
    if (uMsg == TVM_GETITEMA && (reinterpret_cast<TVITEMA*>(lParam)->mask & TVIF_TEXT))
        return AskWhole(pfnOriginal, hWnd, uMsg, wParam, reinterpret_cast<TVITEMA*>(lParam));
    return CallWindowProcA(pfnOriginal, hWnd, uMsg, wParam, lParam);
}

// p ASCII letters, then double-byte characters, then one more ASCII letter
// when needed to make nBytes: with p = 0 and p = 1 every length has its
// double-byte characters on both alignments.
std::string TextOfLength(int nBytes, int nAsciiFirst)
{
    std::string strText(nAsciiFirst, 'a');
    const char* const pszWords[] = {"服", "务", "配", "置"};
    for (int i = 0; static_cast<int>(strText.size()) + 2 <= nBytes; ++i)
        strText += pszWords[i % 4];
    if (static_cast<int>(strText.size()) < nBytes)
        strText += 'b';
    return strText;
}

std::vector<std::string> TextsAroundBufferSizes()
{
    std::vector<std::string> texts = {"", "服务", "Spooler"};
    // The wrappers' first buffers and the sizes they grow to.
    for (int nSize : {256, 512, 1024, 4096})
    {
        for (int nBytes = nSize - 6; nBytes <= nSize + 6; ++nBytes)
        {
            for (int nAsciiFirst : {0, 1})
                texts.push_back(TextOfLength(nBytes, nAsciiFirst));
        }
    }
    return texts;
}

LRESULT CALLBACK HostProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

class ControlTextTest : public testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QmControlTextHost";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassA(&windowClass);
        m_hHost = CreateWindowExA(0, "QmControlTextHost", "控件文字", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                                  400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, m_hHost);
        HWND hList = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, 0, 0, 690,
                                     180, m_hHost, nullptr, GetModuleHandleA(nullptr), nullptr);
        HWND hTree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 185, 690, 180,
                                     m_hHost, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, hList);
        ASSERT_NE(nullptr, hTree);
        m_list.Attach(hList);
        m_tree.Attach(hTree);
        m_list.InsertColumn(0, "名称", LVCFMT_LEFT, 400);
        m_list.InsertColumn(1, "说明", LVCFMT_LEFT, 280);
        if (GetParam())
        {
            for (HWND hWnd : {hList, hTree})
            {
                SetPropA(hWnd, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC)));
                SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerAsWindows));
            }
        }
    }

    void TearDown() override
    {
        if (m_hHost != nullptr)
            DestroyWindow(m_hHost);
    }

    HWND m_hHost = nullptr;
    CListCtrl m_list;
    CTreeCtrl m_tree;
};

TEST_P(ControlTextTest, ListTextsComeBackWhole)
{
    for (const std::string& strText : TextsAroundBufferSizes())
    {
        SCOPED_TRACE(std::to_string(strText.size()) + " bytes, starting " + strText.substr(0, 2));
        m_list.DeleteAllItems();
        ASSERT_EQ(0, m_list.InsertItem(0, strText, 0));
        ASSERT_TRUE(m_list.SetItemText(0, 1, "说明" + strText));
        EXPECT_EQ(strText, m_list.GetItemText(0, 0));
        EXPECT_EQ("说明" + strText, m_list.GetItemText(0, 1));
    }
}

TEST_P(ControlTextTest, TreeTextsComeBackWhole)
{
    for (const std::string& strText : TextsAroundBufferSizes())
    {
        SCOPED_TRACE(std::to_string(strText.size()) + " bytes, starting " + strText.substr(0, 2));
        m_tree.DeleteAllItems();
        HTREEITEM hRoot = m_tree.InsertItem(strText, 0, 0);
        ASSERT_NE(nullptr, hRoot);
        HTREEITEM hChild = m_tree.InsertItem("依赖" + strText, 0, 0, hRoot);
        ASSERT_NE(nullptr, hChild);
        EXPECT_EQ(strText, m_tree.GetItemText(hRoot));
        EXPECT_EQ("依赖" + strText, m_tree.GetItemText(hChild));
    }
    EXPECT_EQ("", m_tree.GetItemText(nullptr));
}

INSTANTIATE_TEST_SUITE_P(AnsweredBy, ControlTextTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Windows") : std::string("Wine");
                         });
} // namespace

namespace
{
// A dialog whose command handler fails the way any may.
class CThrowingDlg : public CDialog
{
public:
    CThrowingDlg() : CDialog(IDD_PROGRESS, nullptr) {}
    int m_nCalls = 0;

protected:
    const MessageMapEntry* GetMessageMap() const override
    {
        static const MessageMapEntry s_map[] = {QM_ON_COMMAND(IDOK, CThrowingDlg, OnThrow), QM_END_MESSAGE_MAP};
        return s_map;
    }
    INT_PTR OnThrow(WPARAM, LPARAM) { throw std::runtime_error(std::to_string(++m_nCalls)); }
};

// A throw stops at the dialog procedure and the next message is handled;
// owners hand their handle on when moved; a tooltip goes only with its owner.
TEST(WindowLayerTest, ThrowsStopAtTheDialogAndHandlesStayWithTheirOwners)
{
    CThrowingDlg dialog;
    ASSERT_TRUE(dialog.Create());
    for (int i = 1; i <= 2; ++i)
    {
        SendMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(i, dialog.m_nCalls);
        EXPECT_TRUE(IsWindow(dialog.GetSafeHwnd()));
    }
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32, 1, 1));
    HIMAGELIST hImages = images.GetSafeHandle();
    CImageList moved(std::move(images));
    EXPECT_EQ(nullptr, images.GetSafeHandle());
    EXPECT_EQ(hImages, moved.GetSafeHandle());
    auto pTip = std::make_unique<CToolTipCtrl>();
    ASSERT_TRUE(pTip->Create(&dialog));
    HWND hTip = pTip->GetSafeHwnd();
    pTip.reset();
    EXPECT_TRUE(IsWindow(hTip)) << "the wrapper destroyed a window its owner holds";
    DestroyWindow(dialog.GetSafeHwnd());
    EXPECT_FALSE(IsWindow(hTip));
}
} // namespace
