#include "startup/StartupItemsDlg.h"

#include "changes/JournalledChange.h"
#include "common/GbkText.h"
#include "common/RegKey.h"
#include "common/RegistryListing.h"
#include "res/resource.h"
#include "startup/RunValues.h"
#include "startup/StartupItemRules.h"
#include "ui/WinApp.h"

#include <shellapi.h>

#include <cstdint>
#include <vector>

namespace
{
const char* const kDeleteFailed = "Error!";

// A command as the list shows it: a string value's text (UTF-16 in the
// registry) up to its first NUL, in GBK; any other value's bytes as they are.
std::string CommandText(DWORD dwType, const BYTE* pData, DWORD dwDataSize)
{
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
        return StartupItemRules::DataAsText(pData, dwDataSize);
    std::wstring wstrText(reinterpret_cast<const wchar_t*>(pData), dwDataSize / sizeof(wchar_t));
    return GbkText::FromWide(wstrText.substr(0, wstrText.find(L'\0')));
}
} // namespace

CStartupItemsDlg::CStartupItemsDlg(CWnd* pParent, CJournalFile* pJournal, HKEY hLocalMachine)
    : CSkinDialog(IDD_STARTUP_ITEMS, pParent, Title::Fixed, "系统启动项优化", true), m_pJournal(pJournal),
      m_hLocalMachine(hLocalMachine)
{
}

CStartupItemsDlg::~CStartupItemsDlg() = default;

const MessageMapEntry* CStartupItemsDlg::GetMessageMap() const
{
    static const MessageMapEntry s_map[] = {
        QM_ON_NOTIFY(NM_CLICK, IDC_STARTUP_LIST, CStartupItemsDlg, OnClickList),
        QM_ON_COMMAND(IDC_BTN_STARTUP_EXIT, CStartupItemsDlg, OnExitButton),
        QM_ON_COMMAND(IDC_BTN_STARTUP_DELETE, CStartupItemsDlg, OnDeleteChecked),
        QM_ON_NOTIFY(NM_DBLCLK, IDC_STARTUP_LIST, CStartupItemsDlg, OnDblClickList),
        QM_END_MESSAGE_MAP,
    };
    return s_map;
}

void CStartupItemsDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_STARTUP_EXIT, m_btnExit);
    DDX_Control(IDC_BTN_STARTUP_DELETE, m_btnDelete);
    DDX_Control(IDC_STARTUP_LIST, m_listItems);
}

BOOL CStartupItemsDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    ModifyStyle(WS_CAPTION, WS_MINIMIZEBOX, SWP_FRAMECHANGED);
    SetDialogButtonBitmaps(m_btnExit);
    SetDialogButtonBitmaps(m_btnDelete);

    m_imageList.Create(16, 16, ILC_COLOR32, 2, 2);
    m_listItems.SetImageList(m_imageList.GetSafeHandle(), LVSIL_SMALL);
    EnableCheckBoxes(m_listItems.GetSafeHwnd(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT, &m_stateImages);
    m_listItems.InsertColumn(0, "启动项目", LVCFMT_LEFT, 120);
    m_listItems.InsertColumn(1, "命令", LVCFMT_LEFT, 230);
    m_listItems.InsertColumn(2, "位置", LVCFMT_LEFT, 200);

    AddRunKeyValues(HKEY_CURRENT_USER, StartupItemRules::kRunKeyPath);
    AddRunKeyValues(m_hLocalMachine, StartupItemRules::kRunKeyPath);
    return TRUE;
}

void CStartupItemsDlg::AddRunKeyValues(HKEY hRoot, const std::string& strSubkey)
{
    const char* pszRootName = nullptr;
    if (hRoot == HKEY_CURRENT_USER)
        pszRootName = StartupItemRules::kCurrentUser;
    else if (hRoot != nullptr && hRoot == m_hLocalMachine)
        pszRootName = StartupItemRules::kLocalMachine;
    if (pszRootName == nullptr)
        return;

    CRegKey key;
    if (key.Open(hRoot, strSubkey.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    // A key that goes away meanwhile keeps the rows read before.
    ForEachRegistryValue(key.Get(),
                         [&](const std::wstring& wstrName, DWORD dwType, const BYTE* pData, DWORD dwDataSize) {
                             AddRow({hRoot, pszRootName, strSubkey, wstrName, GbkText::FromWide(wstrName),
                                     CommandText(dwType, pData, dwDataSize)});
                         });
}

std::string CStartupItemsDlg::LocationText(const Item& item)
{
    return StartupItemRules::LocationText(item.pszRootName, item.strSubkey);
}

void CStartupItemsDlg::AddRow(Item item)
{
    std::string strPath = StartupItemRules::ExtractIconPath(item.strCommand);
    SHFILEINFOA info = {};
    // The record is only good when the call succeeds: Wine leaves a stale
    // handle in it for a missing file.
    bool bShellIcon = SHGetFileInfoA(strPath.c_str(), 0, &info, sizeof(info), SHGFI_ICON) != 0 && info.hIcon != nullptr;
    int nImage = ImageList_ReplaceIcon(m_imageList.GetSafeHandle(), -1, bShellIcon ? info.hIcon : m_hIcon);
    if (bShellIcon)
        DestroyIcon(info.hIcon);

    int nRow = m_listItems.InsertItem(m_listItems.GetItemCount(), item.strName, nImage);
    if (nRow == -1)
        return;
    m_listItems.SetItemText(nRow, 1, item.strCommand);
    m_listItems.SetItemText(nRow, 2, LocationText(item));
    m_items.insert(m_items.begin() + nRow, std::move(item));
}

const CStartupItemsDlg::Item* CStartupItemsDlg::ItemAt(int nRow) const
{
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_items.size())
        return nullptr;
    return &m_items[nRow];
}

INT_PTR CStartupItemsDlg::OnClickList(WPARAM, LPARAM)
{
    std::string strName, strCommand, strLocation;
    if (const Item* pItem = ItemAt(m_listItems.GetNextItem(-1, LVNI_SELECTED)))
    {
        strName = pItem->strName;
        strCommand = pItem->strCommand;
        strLocation = LocationText(*pItem);
    }
    SetDlgItemText(IDC_SUMMARY, StartupItemRules::DetailsText(strName, strCommand, strLocation));
    return 0;
}

INT_PTR CStartupItemsDlg::OnDblClickList(WPARAM, LPARAM)
{
    int nSelected = m_listItems.GetNextItem(-1, LVNI_SELECTED);
    if (nSelected != -1)
        m_listItems.SetCheck(nSelected, !m_listItems.GetCheck(nSelected));
    return 0;
}

INT_PTR CStartupItemsDlg::OnExitButton(WPARAM, LPARAM)
{
    OnOK();
    return TRUE;
}

INT_PTR CStartupItemsDlg::OnDeleteChecked(WPARAM, LPARAM)
{
    // From the last row, so that removing one keeps the others' indices.
    std::vector<int> rows;
    for (int i = m_listItems.GetItemCount() - 1; i >= 0; --i)
    {
        if (ItemAt(i) != nullptr && m_listItems.GetCheck(i))
            rows.push_back(i);
    }
    // Every value's bytes go to the journal before the first is deleted; a
    // value that cannot be read is not there to lose.
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::StartupValues;
    std::vector<size_t> records(rows.size(), SIZE_MAX);
    for (size_t i = 0; i < rows.size(); ++i)
    {
        const Item& item = *ItemAt(rows[i]);
        const char* pszRoot = RunValues::RootToken(item.hRoot, m_hLocalMachine);
        if (pszRoot == nullptr)
            continue;
        ChangeJournal::RunValueRecord record;
        record.strRoot = pszRoot;
        record.strKey = item.strSubkey;
        record.wstrName = item.wstrName;
        DWORD dwType = 0;
        if (RunValues::Read(item.hRoot, item.strSubkey, item.wstrName, &dwType, &record.data) != ERROR_SUCCESS)
            continue;
        record.dwType = dwType;
        records[i] = entry.runValues.size();
        entry.runValues.push_back(std::move(record));
    }
    CJournalledChange change(m_pJournal, *m_pReporter);
    if (!change.Begin(&entry))
        return TRUE;
    for (size_t i = 0; i < rows.size(); ++i)
    {
        int nRow = rows[i];
        if (!DeleteRunValue(*ItemAt(nRow)))
            continue;
        if (records[i] != SIZE_MAX)
            change.RecordDeleted(records[i]);
        if (m_listItems.DeleteItem(nRow))
            m_items.erase(m_items.begin() + nRow);
    }
    return TRUE;
}

bool CStartupItemsDlg::DeleteRunValue(const Item& item)
{
    CRegKey key;
    bool bDeleted = key.Open(item.hRoot, item.strSubkey.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS &&
                    RegDeleteValueW(key.Get(), item.wstrName.c_str()) == ERROR_SUCCESS;
    if (!bDeleted)
        m_pReporter->Report(ReportKind::Warning, kDeleteFailed);
    return bDeleted;
}
