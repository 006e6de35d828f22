// A plain window that lists every Win32 service through the service wrapper,
// standing in for the main window until it exists.
#include "services/ServiceControl.h"
#include "services/ServiceErrors.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace
{
constexpr int kListId = 100;

struct Row
{
    std::string strDisplayName;
    std::string strServiceName;
    std::string strState;
    std::string strStartType;
};

std::vector<Row> ReadServices(CServiceControl& service, std::string* pstrError)
{
    std::vector<Row> rows;
    DWORD dwNeeded = 0, dwCount = 0, dwResume = 0;
    EnumServicesStatusA(service.ManagerHandle(), SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &dwNeeded,
                        &dwCount, &dwResume);
    std::vector<BYTE> buffer(dwNeeded);
    auto* pServices = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
    dwResume = 0;
    if (!EnumServicesStatusA(service.ManagerHandle(), SERVICE_WIN32, SERVICE_STATE_ALL, pServices, dwNeeded,
                             &dwNeeded, &dwCount, &dwResume))
    {
        *pstrError = LookupServiceError(GetLastError()).pszText;
        return rows;
    }
    for (DWORD i = 0; i < dwCount; ++i)
    {
        Row row;
        row.strDisplayName = pServices[i].lpDisplayName;
        row.strServiceName = pServices[i].lpServiceName;
        int nIndex = 0;
        if (service.Open(row.strServiceName, CServiceControl::kAccessRead) == 0)
        {
            service.QueryStatus(&row.strState, nullptr);
            service.QueryConfig(&row.strStartType, nullptr, nullptr, nullptr, &nIndex);
        }
        service.Close();
        rows.push_back(row);
    }
    return rows;
}

void FillList(HWND hList, const std::vector<Row>& rows)
{
    const char* headers[] = {"显示名称", "服务名称", "状态", "启动类型"};
    const int widths[] = {260, 170, 90, 90};
    for (int i = 0; i < 4; ++i)
    {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(headers[i]);
        column.cx = widths[i];
        SendMessageA(hList, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    for (std::size_t n = 0; n < rows.size(); ++n)
    {
        const std::string* cells[] = {&rows[n].strDisplayName, &rows[n].strServiceName, &rows[n].strState,
                                      &rows[n].strStartType};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(n);
        item.pszText = const_cast<char*>(cells[0]->c_str());
        int nRow = static_cast<int>(SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int nColumn = 1; nColumn < 4; ++nColumn)
        {
            item.iItem = nRow;
            item.iSubItem = nColumn;
            item.pszText = const_cast<char*>(cells[nColumn]->c_str());
            SendMessageA(hList, LVM_SETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(&item));
        }
    }
}

LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_SIZE:
        MoveWindow(GetDlgItem(hWnd, kListId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCmd)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QuillmereStandIn";
    RegisterClassA(&wc);

    CServiceControl service;
    std::string strError;
    std::vector<Row> rows = ReadServices(service, &strError);
    std::string strTitle = "Quillmere Fernhollow特别版本 - 共有" + std::to_string(rows.size()) + "项系统服务";

    HWND hWnd = CreateWindowExA(WS_EX_APPWINDOW, wc.lpszClassName, strTitle.c_str(), WS_OVERLAPPEDWINDOW,
                                0, 0, 883, 678, nullptr, nullptr, hInstance, nullptr);
    HWND hList = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT,
                                 0, 0, 0, 0, hWnd, reinterpret_cast<HMENU>(kListId), hInstance, nullptr);
    HFONT hFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
    SendMessageA(hList, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
    SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    FillList(hList, rows);
    ShowWindow(hWnd, nShowCmd);
    if (!strError.empty())
        MessageBoxA(hWnd, strError.c_str(), "提示", MB_OK | MB_ICONEXCLAMATION);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DeleteObject(hFont);
    return 0;
}
